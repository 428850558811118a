// The module's load and unload notifications: the manager lives between them.
#include "host/exports.h"

#ifdef _WIN32
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH: return host::LoadModule(instance) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH: host::UnloadModule(); return TRUE;
    default:  // thread notifications leave the manager alone
      return TRUE;
  }
}

#else
#include "platform/module.h"

namespace {

// Shared objects have no loader notification that can refuse the load: the
// constructor starts the manager, and a failed start-up leaves the library
// loaded but inert, every stream call answering FLT_ERR_INVALID.
__attribute__((constructor)) void OnLoad() {
  host::LoadModule(platform::ModuleFromAddress(reinterpret_cast<const void*>(&OnLoad)));
}

__attribute__((destructor)) void OnUnload() { host::UnloadModule(); }

}  // namespace
#endif
