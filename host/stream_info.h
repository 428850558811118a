// The record a host fills in for one document, its callbacks, the result codes
// every stream call returns and the code-page modes.
#pragma once

#include <cstddef>

#include "platform/win_types.h"

#if defined(_WIN32)
#define FLT_CALLBACK __stdcall
#define FLT_API __stdcall
#else
#define FLT_CALLBACK
#define FLT_API
#endif

struct FILTEREDSTREAMINFO;

// Stores the document's size in *pcbSize. 0 is success; anything else is the
// host's own failure code, returned unchanged to the host.
typedef LONG(FLT_CALLBACK* PFN_FLT_GETSIZE)(FILTEREDSTREAMINFO* pInfo, DWORD* pcbSize,
                                            DWORD* pdwReserved);
// Copies up to cbBuffer next bytes of the document and stores the count; 0 with a
// count of 0 is the end of the document.
typedef LONG(FLT_CALLBACK* PFN_FLT_READ)(FILTEREDSTREAMINFO* pInfo, void* pBuffer, DWORD cbBuffer,
                                         DWORD* pcbRead);
// Stores the document's NUL-terminated ANSI path; non-zero when a path was stored.
typedef BOOL(FLT_CALLBACK* PFN_FLT_GETFILENAME)(FILTEREDSTREAMINFO* pInfo, char* pszPath,
                                                DWORD cchPath);
// The code-page mode for the document's text.
typedef LONG(FLT_CALLBACK* PFN_FLT_GETCODEPAGE)(FILTEREDSTREAMINFO* pInfo);

// All fields are 32 bits wide on the 32-bit module (32 bytes in all). On wider
// builds the field order stays and pointers take their natural width.
struct FILTEREDSTREAMINFO {
  DWORD cbSize;       // bytes of this record that the host filled in
  DWORD dwReserved1;  // the host's own
  void* pStream;      // the library's handle of the open stream
  PFN_FLT_GETSIZE pfnGetSize;
  DWORD dwReserved2;  // the host's own
  PFN_FLT_READ pfnRead;
  PFN_FLT_GETFILENAME pfnGetFileName;  // optional: needs cbSize past its offset
  PFN_FLT_GETCODEPAGE pfnGetCodePage;  // optional: needs cbSize past its offset
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(FILTEREDSTREAMINFO) == 32, "host record is 32 bytes");
static_assert(offsetof(FILTEREDSTREAMINFO, cbSize) == 0, "record layout");
static_assert(offsetof(FILTEREDSTREAMINFO, dwReserved1) == 4, "record layout");
static_assert(offsetof(FILTEREDSTREAMINFO, pStream) == 8, "record layout");
static_assert(offsetof(FILTEREDSTREAMINFO, pfnGetSize) == 12, "record layout");
static_assert(offsetof(FILTEREDSTREAMINFO, dwReserved2) == 16, "record layout");
static_assert(offsetof(FILTEREDSTREAMINFO, pfnRead) == 20, "record layout");
static_assert(offsetof(FILTEREDSTREAMINFO, pfnGetFileName) == 24, "record layout");
static_assert(offsetof(FILTEREDSTREAMINFO, pfnGetCodePage) == 28, "record layout");
#endif

// The part of the record every host must fill in; the optional callbacks are
// considered only when cbSize reaches past their offsets (24 and 28 bytes on the
// 32-bit module).
constexpr DWORD kFltRecordFileNameOffset = offsetof(FILTEREDSTREAMINFO, pfnGetFileName);
constexpr DWORD kFltRecordCodePageOffset = offsetof(FILTEREDSTREAMINFO, pfnGetCodePage);

// Every stream call returns one of these result codes, or a failure code of the
// host's own callbacks passed back unchanged. 32 bits on every build: DWORD is
// unsigned long on Windows and a 32-bit unsigned integer on POSIX.
typedef DWORD FLTRESULT;
constexpr FLTRESULT FLT_OK = 0;
constexpr FLTRESULT FLT_ERR_FORMAT = 1;
constexpr FLTRESULT FLT_ERR_MEMORY = 2;
constexpr FLTRESULT FLT_ERR_ACCESS = 3;
constexpr FLTRESULT FLT_ERR_INVALID = 4;
constexpr FLTRESULT FLT_ERR_FAILED = 5;
constexpr FLTRESULT FLT_ERR_PASSWORD = 6;

// Code-page modes; any other value is an explicit code page number.
constexpr LONG FLT_CP_DEFAULT = -1;
constexpr LONG FLT_CP_ANSI = -2;
constexpr LONG FLT_CP_UNICODE = -3;

// Capacity, in characters, of every path buffer.
constexpr DWORD FLT_MAX_PATH = 260;
