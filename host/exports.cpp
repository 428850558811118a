#include "host/exports.h"

#include <new>

#include "server/fltdll.h"

namespace host {

const char kExtensionList[] = "DOC\0DOT\0";  // the literal adds the final NUL

namespace {
CFltdll* g_manager = nullptr;
}

CFltdll* Manager() { return g_manager; }

bool LoadModule(void* hModule) {
  g_manager = new (std::nothrow) CFltdll();
  if (!g_manager) return false;
  if (!g_manager->Init(kExtensionList, hModule)) {
    // A refused load leaves the library inert: every call answers
    // FLT_ERR_INVALID. The manager goes now rather than relying on the loader
    // to send an unload notification after a refused load.
    UnloadModule();
    return false;
  }
  return true;
}

void UnloadModule() {
  delete g_manager;
  g_manager = nullptr;
}

}  // namespace host

const char* FLT_API GetFilterExtensions() { return host::kExtensionList; }

FLTRESULT FLT_API CreateFilteredStream(FILTEREDSTREAMINFO* pInfo) {
  CFltdll* manager = host::Manager();
  return manager ? manager->CreateFilteredStreamEx(pInfo) : FLT_ERR_INVALID;
}

FLTRESULT FLT_API ReadFilteredStream(FILTEREDSTREAMINFO* pInfo, void* pBuffer, DWORD cbBuffer,
                                     DWORD* pcbRead) {
  CFltdll* manager = host::Manager();
  return manager ? manager->ReadFilteredStreamEx(pInfo, pBuffer, cbBuffer, pcbRead)
                 : FLT_ERR_INVALID;
}

FLTRESULT FLT_API CloseFilteredStream(FILTEREDSTREAMINFO* pInfo) {
  CFltdll* manager = host::Manager();
  return manager ? manager->CloseFilteredStreamEx(pInfo) : FLT_ERR_INVALID;
}
