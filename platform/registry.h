// Reading default values of keys under the classes root.
//
// On Windows: the system registry. On POSIX the classes root is read from a
// registration file in the ".reg" text format:
//
//   * where: beside the module that holds this code (the plug-in), named like
//     the module file with its extension replaced by ".reg" (libdocflt.dso ->
//     libdocflt.reg; a name without extension gets ".reg" appended). A program
//     that links the library statically reads the file beside the program.
//     platform::SetRegistrationFile names another file instead (tests, hosts
//     that keep registrations elsewhere). No environment variable is read.
//   * when: afresh each time a key is opened, so an edit shows at once.
//   * format: first non-blank line "REGEDIT4" or "Windows Registry Editor
//     Version 5.00"; narrow/UTF-8 text, or UTF-16 with a byte-order mark.
//     "[HKEY_CLASSES_ROOT\a\b]" starts a key (its parents exist with it);
//     "[-HKEY_CLASSES_ROOT\a]" removes a key and its sub-keys; '@="text"' sets
//     the key's default value, with \\ and \" escapes, '@=-' removes it; later
//     lines win over earlier ones. Named values, non-string values, keys of
//     other roots and lines starting with ';' are skipped. Key names match
//     without regard to ASCII case.
//
// Only HKEY_CLASSES_ROOT and keys opened under it are provided; a key path may
// start with one backslash, as the classes root allows on Windows.
#pragma once

#include "platform/errors.h"
#include "platform/win_types.h"

#ifndef _WIN32

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LSTATUS = LONG;
using PLONG = LONG*;

#define HKEY_CLASSES_ROOT \
  (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000000u))))

#define KEY_QUERY_VALUE 0x0001u

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
// The default value of the key (or of its sub-key) as a string; an unset
// default value reads as "". A buffer too small gets nothing and
// ERROR_MORE_DATA, and *cbValue the size needed.
LSTATUS RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR value, PLONG cbValue);
LSTATUS RegCloseKey(HKEY key);

namespace platform {
// Reads the classes root from this file from now on; null goes back to the
// file beside the module.
void SetRegistrationFile(const char* path);
}  // namespace platform

#endif  // _WIN32
