// The plug-in's four exported functions and the module's one manager.
#pragma once

#include "host/stream_info.h"

#if defined(_WIN32)
#define FLT_EXPORT extern "C"
#else
#define FLT_EXPORT extern "C" __attribute__((visibility("default")))
#endif

class CFltdll;

// The double-NUL-terminated list of upper-case extensions without dots.
FLT_EXPORT const char* FLT_API GetFilterExtensions();
FLT_EXPORT FLTRESULT FLT_API CreateFilteredStream(FILTEREDSTREAMINFO* pInfo);
FLT_EXPORT FLTRESULT FLT_API ReadFilteredStream(FILTEREDSTREAMINFO* pInfo, void* pBuffer,
                                                DWORD cbBuffer, DWORD* pcbRead);
FLT_EXPORT FLTRESULT FLT_API CloseFilteredStream(FILTEREDSTREAMINFO* pInfo);

namespace host {

// The extension list; its first entry is the extension the library uses for
// its own purposes (registry lookup, temporary files).
extern const char kExtensionList[];

// Creates and starts the manager; false (and no manager) when start-up fails.
bool LoadModule(void* hModule);
// Destroys the manager, if any.
void UnloadModule();
// The manager between load and unload; null outside that bracket or after a
// refused load.
CFltdll* Manager();

}  // namespace host
