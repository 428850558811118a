/* docflt.h: what a host needs to drive the docflt text-filter plug-in.

   The plug-in is a module that a host loads at run time (docflt.dll on
   Windows, docflt.flt elsewhere; `pkg-config --variable=plugin docflt` names
   the installed one) and calls through four exported functions:

     1. GetFilterExtensions(): the upper-case extensions it takes ("DOC",
        "DOT"), each NUL-terminated, the list ended by an empty entry;
     2. CreateFilteredStream(&info): opens one document described by a
        FILTEREDSTREAMINFO that the host fills in;
     3. ReadFilteredStream(&info, buffer, size, &got): the next text bytes;
        FLT_OK with fewer bytes than asked, finally 0, at the end;
     4. CloseFilteredStream(&info): releases the document.

   Every call returns a result code: FLT_OK, one of the FLT_ERR_ codes, or a
   failure code that the host's own callback returned, passed back unchanged.
   One record and its stream belong to one thread at a time; different records
   may be used from different threads.

   The header is plain C (C99 and later) and C++. */
#ifndef DOCFLT_DOCFLT_H
#define DOCFLT_DOCFLT_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Callbacks and exports use the system's standard calling convention on
   Windows (the callee removes its arguments); other targets have one. */
#if defined(_WIN32)
#define FLT_CALLBACK __stdcall
#define FLT_API __stdcall
#else
#define FLT_CALLBACK
#define FLT_API
#endif

/* 32-bit integers with the widths of the Windows types the record is made of
   (DWORD, LONG, BOOL), so that the header does not need windows.h. */
#if defined(_WIN32)
typedef unsigned long FLT_DWORD;
typedef long FLT_LONG;
typedef int FLT_BOOL;
#else
#include <stdint.h>
typedef uint32_t FLT_DWORD;
typedef int32_t FLT_LONG;
typedef int FLT_BOOL;
#endif

typedef struct FILTEREDSTREAMINFO FILTEREDSTREAMINFO;

/* Stores the document's size in bytes in *pcbSize (the plug-in sets both
   out-values to 0 first and ignores the second). 0 is success; anything else
   is the host's failure code, returned by CreateFilteredStream unchanged. */
typedef FLT_LONG(FLT_CALLBACK* PFN_FLT_GETSIZE)(FILTEREDSTREAMINFO* pInfo, FLT_DWORD* pcbSize,
                                                FLT_DWORD* pdwReserved);
/* Copies up to cbBuffer of the document's next bytes and stores how many in
   *pcbRead; reading is strictly sequential from the start. 0 with a count of
   0 is the end of the document; non-zero is the host's failure code. */
typedef FLT_LONG(FLT_CALLBACK* PFN_FLT_READ)(FILTEREDSTREAMINFO* pInfo, void* pBuffer,
                                             FLT_DWORD cbBuffer, FLT_DWORD* pcbRead);
/* Stores the document's NUL-terminated path (the system's narrow encoding)
   in a buffer of cchPath (FLT_MAX_PATH) characters; non-zero when a path was
   stored. Optional. */
typedef FLT_BOOL(FLT_CALLBACK* PFN_FLT_GETFILENAME)(FILTEREDSTREAMINFO* pInfo, char* pszPath,
                                                    FLT_DWORD cchPath);
/* The code-page mode for the document's text (FLT_CP_ values or a code page
   number). Optional; counted only beside a file-name callback. */
typedef FLT_LONG(FLT_CALLBACK* PFN_FLT_GETCODEPAGE)(FILTEREDSTREAMINFO* pInfo);

/* One document. The host allocates and fills it; the plug-in writes only
   pStream. Every callback receives the record's address, so a host that puts
   the record first in a structure of its own reaches its context from it.
   Fields are 32 bits wide on 32-bit targets (32 bytes in all); on 64-bit
   targets the order stays and pointers take their natural width. */
struct FILTEREDSTREAMINFO {
  FLT_DWORD cbSize;      /* bytes of the record the host filled in */
  FLT_DWORD dwReserved1; /* the host's own */
  void* pStream;         /* the plug-in's handle of the open document */
  PFN_FLT_GETSIZE pfnGetSize;
  FLT_DWORD dwReserved2; /* the host's own */
  PFN_FLT_READ pfnRead;
  PFN_FLT_GETFILENAME pfnGetFileName; /* considered when cbSize covers it */
  PFN_FLT_GETCODEPAGE pfnGetCodePage; /* considered when cbSize covers it */
};

#if defined(_WIN32) && !defined(_WIN64)
#ifdef __cplusplus
static_assert(sizeof(FILTEREDSTREAMINFO) == 32, "FILTEREDSTREAMINFO is 32 bytes");
#else
/* No static assertion before C11: an array of negative size stops the build. */
typedef char FLT_RECORD_IS_32_BYTES[sizeof(FILTEREDSTREAMINFO) == 32 ? 1 : -1];
#endif
#endif

/* Result codes. */
typedef FLT_DWORD FLTRESULT;
#define FLT_OK 0u
#define FLT_ERR_FORMAT 1u   /* not a format the filter server understands */
#define FLT_ERR_MEMORY 2u   /* out of memory */
#define FLT_ERR_ACCESS 3u   /* access denied, or the temporary copy failed */
#define FLT_ERR_INVALID 4u  /* request refused: no server, no size, no temp directory */
#define FLT_ERR_FAILED 5u   /* any other failure */
#define FLT_ERR_PASSWORD 6u /* the document is password-protected */

/* Code-page modes; any other value is a code page number (0: the system's
   ANSI code page). */
#define FLT_CP_DEFAULT (-1L) /* each piece in the ANSI code page of its language */
#define FLT_CP_ANSI (-2L)    /* the system's ANSI code page */
#define FLT_CP_UNICODE (-3L) /* UTF-16LE as the filter gives it */

/* Capacity, in characters, of the path buffer given to pfnGetFileName. */
#define FLT_MAX_PATH 260u

/* The exports' types, for a host that loads the module at run time (dlopen or
   LoadLibrary, then dlsym or GetProcAddress with the names below). */
typedef const char*(FLT_API* PFN_GETFILTEREXTENSIONS)(void);
typedef FLTRESULT(FLT_API* PFN_CREATEFILTEREDSTREAM)(FILTEREDSTREAMINFO* pInfo);
typedef FLTRESULT(FLT_API* PFN_READFILTEREDSTREAM)(FILTEREDSTREAMINFO* pInfo, void* pBuffer,
                                                   FLT_DWORD cbBuffer, FLT_DWORD* pcbRead);
typedef FLTRESULT(FLT_API* PFN_CLOSEFILTEREDSTREAM)(FILTEREDSTREAMINFO* pInfo);

#define FLT_NAME_GETFILTEREXTENSIONS "GetFilterExtensions"
#define FLT_NAME_CREATEFILTEREDSTREAM "CreateFilteredStream"
#define FLT_NAME_READFILTEREDSTREAM "ReadFilteredStream"
#define FLT_NAME_CLOSEFILTEREDSTREAM "CloseFilteredStream"

#ifdef __cplusplus
}
#endif

#endif /* DOCFLT_DOCFLT_H */
