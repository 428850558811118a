// The manager's construction, start-up and shutdown. Its stream operations live
// with the streams.
#include "server/fltdll.h"

#include "platform/filter.h"
#include "platform/guard.h"
#include "server/server_ids.h"
#include "server/server_lookup.h"
#include "server/server_ref.h"
#include "server/settings.h"
#include "server/startup.h"

CFltdll::CFltdll()
    : m_pFactory(nullptr),
      m_szTmpDir(),
      m_szServerFileName(),
      m_bPersistStorage(FALSE),
      m_pSettings(nullptr) {}

CFltdll::~CFltdll() {
  if (m_pFactory) {
    platform::GuardedRelease(m_pFactory);
    m_pFactory = nullptr;
  }
  CoUninitialize();
  delete m_pSettings;
  m_pSettings = nullptr;
}

int CFltdll::Init(const char* /*pszExtensions*/, void* hModule) {
  // Start-up runs inside the module-load notification: nothing may escape it,
  // whatever the server throws from the calls that are not guarded themselves.
  try {
    if (hModule) {
      m_pSettings =
          ReadModuleSettings(static_cast<HMODULE>(hModule), m_szTmpDir, m_szServerFileName);
      if (m_pSettings) ChooseTmpDir(m_szTmpDir);
    }
    CoInitialize(nullptr);

    if (m_szServerFileName[0])
      m_pFactory = LoadFilterServer(m_szServerFileName, &CLSID_FltFilterServer);
    if (!m_pFactory) {
      char path[FLT_MAX_PATH];
      if (FindRegisteredServer(kFltRegistryExtension, path))
        m_pFactory = LoadFilterServer(path, &CLSID_FltFilterServer);
    }
    if (!m_pFactory) return 0;

    // The probe: file loading is required, storage loading recorded. The
    // holders release storage, file and instance, in this order, under the guard.
    ServerRef<IFilter> filter;
    if (FAILED(m_pFactory->CreateInstance(nullptr, IID_IFilter, filter.put_void())) || !filter) {
      filter.detach();
      return 0;
    }
    ServerRef<IPersistFile> file;
    if (FAILED(filter->QueryInterface(IID_IPersistFile, file.put_void())) || !file) {
      file.detach();
      return 0;
    }
    ServerRef<IPersistStorage> storage;
    if (SUCCEEDED(filter->QueryInterface(IID_IPersistStorage, storage.put_void())) && storage)
      m_bPersistStorage = TRUE;
    else
      storage.detach();
    return 1;
  } catch (...) {
    return 0;
  }
}
