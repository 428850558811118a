// CFltdll: the library's one manager object. It finds, loads and probes the
// filter server at start-up, holds its class factory for the module's life and
// serves the stream calls. Its layout is part of the library's interface: the
// fields below, in this order, with these widths, and no others.
#pragma once

#include <cstddef>

#include "host/stream_info.h"
#include "platform/com.h"

// The class is exported from the plug-in module. DOCFLT_BUILD_PLUGIN is set for
// everything compiled into the plug-in (it comes with the docflt_server target);
// a Windows host that uses the class from the DLL sets DOCFLT_USE_PLUGIN.
#if defined(_WIN32)
#if defined(DOCFLT_BUILD_PLUGIN)
#define FLT_EXPORT_CLASS __declspec(dllexport)
#elif defined(DOCFLT_USE_PLUGIN)
#define FLT_EXPORT_CLASS __declspec(dllimport)
#else
#define FLT_EXPORT_CLASS
#endif
#else
#define FLT_EXPORT_CLASS __attribute__((visibility("default")))
#endif

class CFltStream;
class CFltSettings;

// Sizes, counts and results are 32 bits wide on every build: FLTRESULT and
// DWORD are unsigned long on Windows and a 32-bit unsigned integer on POSIX,
// where long is 64 bits.
class FLT_EXPORT_CLASS CFltdll {
 public:
  CFltdll();
  ~CFltdll();

  // Start-up: settings, temporary directory, the filter server and its probe.
  // pszExtensions is not consulted. hModule is the library's own module handle
  // (see platform/module.h), or null. Returns 1 on success, 0 on failure.
  int Init(const char* pszExtensions, void* hModule);

  FLTRESULT CreateFilteredStreamEx(FILTEREDSTREAMINFO* pInfo);
  FLTRESULT ReadFilteredStreamEx(FILTEREDSTREAMINFO* pInfo, void* pBuffer, DWORD cbBuffer,
                                 DWORD* pcbRead);
  FLTRESULT CloseFilteredStreamEx(FILTEREDSTREAMINFO* pInfo);

  CFltdll(const CFltdll&) = delete;
  CFltdll& operator=(const CFltdll&) = delete;

 private:
  FLTRESULT OpenStreamAsFile(CFltStream*& pStream, FILTEREDSTREAMINFO* pInfo, DWORD cbSize);
  // On failure hMem may receive the block the host's bytes were read into,
  // and cbInBlock how many of them the host delivered.
  FLTRESULT OpenStreamAsStorage(CFltStream*& pStream, FILTEREDSTREAMINFO* pInfo, HGLOBAL& hMem,
                                DWORD& cbInBlock, DWORD cbSize);
  FLTRESULT OpenStreamAsTmpFile(CFltStream*& pStream, FILTEREDSTREAMINFO* pInfo, HGLOBAL hMem,
                                DWORD cbSize);
  // Stores the host's code-page mode in the stream: FLT_ERR_INVALID for a
  // page that cannot be converted.
  FLTRESULT SetLocale(FILTEREDSTREAMINFO* pInfo, CFltStream*& pStream);
  // SetLocale, then the stream goes into pStream; a refused one is destroyed.
  FLTRESULT Publish(FILTEREDSTREAMINFO* pInfo, CFltStream*& pStream);

 public:
  // One reference, from a successful start-up until the destructor.
  IClassFactory* m_pFactory;
  // Empty: the temporary-file route is unavailable.
  char m_szTmpDir[FLT_MAX_PATH];
  // Used only during start-up.
  char m_szServerFileName[FLT_MAX_PATH];
  // 1 when the server's filter loads from a storage; never cleared once set.
  BOOL m_bPersistStorage;
  // Owned; present only when a settings file is used.
  CFltSettings* m_pSettings;
};

static_assert(sizeof(BOOL) == 4, "m_bPersistStorage is a 32-bit BOOL");
static_assert(sizeof(FLTRESULT) == 4 && sizeof(DWORD) == 4, "32-bit results and sizes");
static_assert(offsetof(CFltdll, m_pFactory) == 0, "manager layout");
static_assert(offsetof(CFltdll, m_szTmpDir) == sizeof(void*), "manager layout");
static_assert(offsetof(CFltdll, m_szServerFileName) == sizeof(void*) + 260, "manager layout");
static_assert(offsetof(CFltdll, m_bPersistStorage) == sizeof(void*) + 520, "manager layout");
static_assert(offsetof(CFltdll, m_pSettings) % sizeof(void*) == 0 &&
                  offsetof(CFltdll, m_pSettings) - offsetof(CFltdll, m_bPersistStorage) <
                      4 + sizeof(void*),
              "manager layout");
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(CFltdll) == 532, "manager layout of the 32-bit module");
#endif
