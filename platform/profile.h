// Profile (INI) files: whole-section reads and writes and single string reads.
//
// On POSIX a file name is used as given (a relative name is relative to the
// current directory, not to a Windows directory). Files with a UTF-8 or UTF-16
// byte-order mark are read as UTF-8 and written back in their own encoding.
// Files larger than platform::kMaxTextFileBytes are treated as unreadable.
// Listing sections or keys (a null section or key name) is not provided: it
// answers 0 and an empty list.
#pragma once

#include "platform/win_types.h"

#ifndef _WIN32

// Copies the lines of the section into the buffer as NUL-terminated strings
// ended by an extra NUL; returns the characters stored without that last NUL,
// size - 2 when the list was cut, 0 when the file or section is missing or the
// section holds no lines.
DWORD GetPrivateProfileSectionA(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR fileName);
// Makes the NUL-separated, double-NUL-terminated lines the section's whole
// body, creating the file and the section when missing; other sections stay as
// they are. A null text removes the section.
BOOL WritePrivateProfileSectionA(LPCSTR section, LPCSTR text, LPCSTR fileName);
// Stores the key's value (quotes around it removed, cut to size - 1 characters)
// or, when the key is missing, the default without its trailing blanks; returns
// the length stored.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName);

#endif  // _WIN32
