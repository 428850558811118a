# GoogleTest from the distribution's sources, built with this project's toolchain
# so that the cross targets get it too.
set(DOCFLT_GTEST_SRC /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${DOCFLT_GTEST_SRC} ${CMAKE_BINARY_DIR}/_gtest EXCLUDE_FROM_ALL SYSTEM)
foreach(t gtest gtest_main)
  if(TARGET ${t})
    # GoogleTest's own code is not held to our warning flags.
    target_compile_options(${t} PRIVATE -w)
  endif()
endforeach()
include(GoogleTest)

# docflt_add_test(NAME SOURCES... LIBS ...): one test program. On the Windows
# targets (run under Wine, 64- or 32-bit) the whole program is one CTest entry
# (each Wine start costs seconds); on POSIX each test case is its own entry.
function(docflt_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  target_compile_definitions(${name} PRIVATE
    DOCFLT_SHARED_DIR="${PROJECT_SOURCE_DIR}/../shared"
    DOCFLT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
