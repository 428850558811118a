// Module file names, the module handle of the main program and the directory
// for temporary files.
//
// What a module handle is on POSIX: the handle dlopen returns for a shared
// object (the same value CoLoadLibrary hands out and GetProcAddress takes). The
// main program's handle is dlopen(nullptr). A null handle names the main program
// in GetModuleFileNameA, as on Windows. A module finds its own handle with
// platform::ModuleFromAddress on any address inside it, e.g. a function of its
// own; a host that dlopens a module already holds that module's handle.
#pragma once

#include "platform/win_types.h"

#ifdef _WIN32

namespace platform {
inline HMODULE ModuleFromAddress(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCSTR>(address), &module))
    return nullptr;
  return module;
}
}  // namespace platform

#else

// Full path of the module's file; the main program's for a null handle. Returns
// the length stored. A path that does not fit is cut to size - 1 characters and
// the answer is size, as on Windows. 0 on failure.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
// A handle of an already loaded module without taking a reference; the main
// program's for a null name. Null when the module is not loaded.
HMODULE GetModuleHandleA(LPCSTR moduleName);
// The process's TMPDIR, else "/tmp", always ending in '/'. Returns the length
// stored; when the buffer is too small, nothing is stored and the answer is the
// size needed, terminating NUL included (Windows' rule).
DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer);

namespace platform {
// The handle of the loaded module (shared object or main program) that holds
// the address; null when no module holds it. Takes no reference.
HMODULE ModuleFromAddress(const void* address);
}  // namespace platform

#endif  // _WIN32
