# docflt_static_runtime(target): links the C++ runtime into the target on
# POSIX, as the Windows builds already do. A host that runs doctext-like
# one-document jobs pays for every shared object the loader maps and binds:
# the C++ runtime alone cost about 1 ms of a 3 ms run. Our modules export only
# their own interface (version scripts), so the runtime copies stay private.
# Sanitizer builds keep the shared runtime, whose allocation functions the
# sanitizers replace.
include(CheckLinkerFlag)
include(CheckCXXSourceCompiles)
check_linker_flag(CXX "-Wl,-z,pack-relative-relocs" DOCFLT_LINKER_PACKS_RELOCS)
if(NOT WIN32 AND NOT DEFINED DOCFLT_STATIC_PIE)
  set(CMAKE_REQUIRED_LINK_OPTIONS -static-pie)
  check_cxx_source_compiles("int main() { return 0; }" DOCFLT_STATIC_PIE)
  unset(CMAKE_REQUIRED_LINK_OPTIONS)
endif()

# Every load maps, relocates and faults in what the file holds: unused
# sections dropped (with the runtime in, doctext went from 1.6 MB to 0.6 MB)
# and relative relocations packed. Code stays in a segment of its own
# (merged with read-only data it saved a few page faults, not measurably
# time, and would make that data executable in hosts that parse untrusted
# files).
function(docflt_compact_link target)
  target_link_options(${target} PRIVATE -Wl,--gc-sections)
  if(DOCFLT_LINKER_PACKS_RELOCS)
    target_link_options(${target} PRIVATE -Wl,-z,pack-relative-relocs)
  endif()
endfunction()

function(docflt_static_runtime target)
  if(WIN32 OR DOCFLT_SANITIZE OR NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    return()
  endif()
  target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc -Wl,--as-needed)
  docflt_compact_link(${target})
  # A module's own runtime copy must give back its buffers at unload, or every
  # load and unload by a host leaks them (about 20 KB a cycle).
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "MODULE_LIBRARY" OR type STREQUAL "SHARED_LIBRARY")
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/platform/static_runtime_release_posix.cpp)
  endif()
endfunction()

# docflt_static_program(target): a program linked whole, the C library too, as
# a position-independent static executable where the toolchain can: nothing
# for the loader to find, map or bind when it starts (the worker starts once
# per worker, on the way to a host's first document). Elsewhere, as above.
function(docflt_static_program target)
  if(WIN32 OR DOCFLT_SANITIZE OR NOT DOCFLT_STATIC_PIE OR NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU")
    docflt_static_runtime(${target})
    return()
  endif()
  # -static-pie alone: with -static-libgcc beside it the driver links dynamically.
  target_link_options(${target} PRIVATE -static-pie)
  docflt_compact_link(${target})
endfunction()
