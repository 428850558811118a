// Code-page services: the system ANSI code page, a locale's default ANSI code
// page, and conversion between UTF-16 and the Windows code pages.
#pragma once

#include "platform/win_types.h"

#ifndef _WIN32

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF7 65000
#define CP_UTF8 65001

#define LOCALE_NOUSEROVERRIDE 0x80000000u
#define LOCALE_IDEFAULTCODEPAGE 0x0000000Bu
#define LOCALE_IDEFAULTANSICODEPAGE 0x00001004u

#define MB_PRECOMPOSED 0x00000001u
#define MB_ERR_INVALID_CHARS 0x00000008u
#define WC_NO_BEST_FIT_CHARS 0x00000400u

#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_INVALID_PARAMETER 87
#define ERROR_INVALID_FLAGS 1004
#define ERROR_NO_UNICODE_TRANSLATION 1113

// 65001 on a system whose locale encodes text as UTF-8, else 1252.
UINT GetACP();
UINT GetOEMCP();
int GetLocaleInfoA(LCID locale, DWORD lcType, LPSTR data, int cchData);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int cchWide, LPSTR multi,
                        int cbMulti, LPCSTR defaultChar, LPBOOL usedDefaultChar);
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multi, int cbMulti, LPWSTR wide,
                        int cchWide);
DWORD GetLastError();
void SetLastError(DWORD error);

#endif  // _WIN32
