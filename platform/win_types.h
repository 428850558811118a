// Basic Windows types. On Windows they come from the system headers; on POSIX
// we declare the subset the library and the server use, with the Windows widths
// (ULONG and DWORD are 32 bits everywhere, UTF-16 is char16_t).
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using INT = int;
using BOOL = int;
using USHORT = std::uint16_t;
using SHORT = std::int16_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using HRESULT = std::int32_t;
using SCODE = std::int32_t;
using LCID = std::uint32_t;
using LANGID = std::uint16_t;
using PROPID = std::uint32_t;
using SIZE_T = std::size_t;
using ULONG_PTR = std::uintptr_t;
using LPARAM = std::intptr_t;

using WCHAR = char16_t;
using OLECHAR = char16_t;
using CHAR = char;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPBOOL = BOOL*;
using LPDWORD = DWORD*;

using HANDLE = void*;
using HGLOBAL = void*;
using HMODULE = void*;
using HINSTANCE = void*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef MAX_PATH
#define MAX_PATH 260
#endif

#define WINAPI
#define STDMETHODCALLTYPE
#define STDAPICALLTYPE
#define CALLBACK

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};
union ULARGE_INTEGER {
  struct {
    DWORD LowPart;
    DWORD HighPart;
  } u;
  ULONGLONG QuadPart;
};
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

constexpr HRESULT MAKE_HR(std::uint32_t v) { return static_cast<HRESULT>(v); }
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

#define S_OK MAKE_HR(0x00000000u)
#define S_FALSE MAKE_HR(0x00000001u)
#define E_NOTIMPL MAKE_HR(0x80004001u)
#define E_NOINTERFACE MAKE_HR(0x80004002u)
#define E_POINTER MAKE_HR(0x80004003u)
#define E_FAIL MAKE_HR(0x80004005u)
#define E_UNEXPECTED MAKE_HR(0x8000FFFFu)
#define E_ACCESSDENIED MAKE_HR(0x80070005u)
#define E_HANDLE MAKE_HR(0x80070006u)
#define E_OUTOFMEMORY MAKE_HR(0x8007000Eu)
#define E_INVALIDARG MAKE_HR(0x80070057u)
#define DISP_E_BADVARTYPE MAKE_HR(0x80020008u)
#define CLASS_E_NOAGGREGATION MAKE_HR(0x80040110u)
#define CLASS_E_CLASSNOTAVAILABLE MAKE_HR(0x80040111u)

// Structured-storage results.
#define STG_E_INVALIDFUNCTION MAKE_HR(0x80030001u)
#define STG_E_FILENOTFOUND MAKE_HR(0x80030002u)
#define STG_E_PATHNOTFOUND MAKE_HR(0x80030003u)
#define STG_E_TOOMANYOPENFILES MAKE_HR(0x80030004u)
#define STG_E_ACCESSDENIED MAKE_HR(0x80030005u)
#define STG_E_INVALIDHANDLE MAKE_HR(0x80030006u)
#define STG_E_INSUFFICIENTMEMORY MAKE_HR(0x80030008u)
#define STG_E_INVALIDPOINTER MAKE_HR(0x80030009u)
#define STG_E_NOMOREFILES MAKE_HR(0x80030012u)
#define STG_E_WRITEFAULT MAKE_HR(0x8003001Du)
#define STG_E_READFAULT MAKE_HR(0x8003001Eu)
#define STG_E_SHAREVIOLATION MAKE_HR(0x80030020u)
#define STG_E_LOCKVIOLATION MAKE_HR(0x80030021u)
#define STG_E_FILEALREADYEXISTS MAKE_HR(0x80030050u)
#define STG_E_INVALIDPARAMETER MAKE_HR(0x80030057u)
#define STG_E_MEDIUMFULL MAKE_HR(0x80030070u)
#define STG_E_INVALIDHEADER MAKE_HR(0x800300FBu)
#define STG_E_INVALIDNAME MAKE_HR(0x800300FCu)
#define STG_E_UNKNOWN MAKE_HR(0x800300FDu)
#define STG_E_UNIMPLEMENTEDFUNCTION MAKE_HR(0x800300FEu)
#define STG_E_INVALIDFLAG MAKE_HR(0x800300FFu)
#define STG_E_INUSE MAKE_HR(0x80030100u)
#define STG_E_NOTCURRENT MAKE_HR(0x80030101u)
#define STG_E_REVERTED MAKE_HR(0x80030102u)
#define STG_E_CANTSAVE MAKE_HR(0x80030103u)
#define STG_E_OLDFORMAT MAKE_HR(0x80030104u)
#define STG_E_OLDDLL MAKE_HR(0x80030105u)
#define STG_E_SHAREREQUIRED MAKE_HR(0x80030106u)
#define STG_E_NOTFILEBASEDSTORAGE MAKE_HR(0x80030107u)
#define STG_E_EXTANTMARSHALLINGS MAKE_HR(0x80030108u)
#define STG_E_DOCFILECORRUPT MAKE_HR(0x80030109u)

#endif  // _WIN32
