// Code-page services: the system ANSI code page, a locale's default ANSI code
// page, and conversion between UTF-16 and the Windows code pages.
#pragma once

#include "platform/errors.h"
#include "platform/win_types.h"

#ifndef _WIN32

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF7 65000
#define CP_UTF8 65001

#define LOCALE_NEUTRAL 0x0000u
#define LOCALE_USER_DEFAULT 0x0400u
#define LOCALE_SYSTEM_DEFAULT 0x0800u

#define LOCALE_NOUSEROVERRIDE 0x80000000u
#define LOCALE_IDEFAULTCODEPAGE 0x0000000Bu
#define LOCALE_IDEFAULTANSICODEPAGE 0x00001004u

#define MB_PRECOMPOSED 0x00000001u
#define MB_ERR_INVALID_CHARS 0x00000008u
#define WC_ERR_INVALID_CHARS 0x00000080u
#define WC_NO_BEST_FIT_CHARS 0x00000400u

// 65001 on a system whose locale encodes text as UTF-8, else 1252.
UINT GetACP();
// 65001 on a UTF-8 system (as Windows with UTF-8 as its system code page), else 437.
UINT GetOEMCP();
// Answers LOCALE_IDEFAULTANSICODEPAGE and LOCALE_IDEFAULTCODEPAGE only (other types fail
// with ERROR_INVALID_FLAGS); the default-locale ids stand for English (United States).
int GetLocaleInfoA(LCID locale, DWORD lcType, LPSTR data, int cchData);
// Code pages 874, 1250-1258, 437, 850, 852, 866, 932, 936, 949, 950, 10000, 20127, 20866,
// 21866, 28591-28599, 28603, 28605, 54936, 65001 and the CP_ACP, CP_OEMCP, CP_THREAD_ACP aliases;
// others fail with ERROR_INVALID_PARAMETER.
// TRUE for a page that this layer converts (the list above); FALSE for the CP_ACP
// family of aliases and everything else.
BOOL IsValidCodePage(UINT codePage);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int cchWide, LPSTR multi,
                        int cbMulti, LPCSTR defaultChar, LPBOOL usedDefaultChar);
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multi, int cbMulti, LPWSTR wide,
                        int cchWide);

#endif  // _WIN32
