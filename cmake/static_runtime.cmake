# docflt_static_runtime(target): links the C++ runtime into the target on
# POSIX, as the Windows builds already do. A host that runs doctext-like
# one-document jobs pays for every shared object the loader maps and binds:
# the C++ runtime alone cost about 1 ms of a 3 ms run. Our modules export only
# their own interface (version scripts), so the runtime copies stay private.
# Sanitizer builds keep the shared runtime, whose allocation functions the
# sanitizers replace.
function(docflt_static_runtime target)
  if(WIN32 OR DOCFLT_SANITIZE OR NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    return()
  endif()
  target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc -Wl,--as-needed)
  # A module's own runtime copy must give back its buffers at unload, or every
  # load and unload by a host leaks them (about 20 KB a cycle).
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "MODULE_LIBRARY" OR type STREQUAL "SHARED_LIBRARY")
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/platform/static_runtime_release_posix.cpp)
  endif()
endfunction()
