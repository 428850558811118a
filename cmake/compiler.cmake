# Warnings are errors on every target.
add_compile_options(-Wall -Wextra -Werror -Wno-unknown-pragmas)

if(DOCFLT_SANITIZE)
  add_compile_options(-fsanitize=${DOCFLT_SANITIZE} -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${DOCFLT_SANITIZE})
endif()

if(NOT WIN32 AND NOT DOCFLT_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  # One section a function and datum, so that the shipped programs and modules
  # can leave out what they never reach (docflt_static_runtime).
  add_compile_options(-ffunction-sections -fdata-sections)
endif()

if(WIN32)
  # DLLs and programs must load on a plain Windows: no runtime DLLs beside them.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(DOCFLT_32BIT ON)
endif()

# Modules export only what is marked for export; everything else stays inside,
# so that a host's own symbols never mix with ours.
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)
