// Files for the temporary copy of a document: unique names, create/write/close,
// rename without replacing, existence test and removal. On Windows the system's
// own; on POSIX the same calls over file descriptors, with the Windows results.
#pragma once

#include "platform/errors.h"
#include "platform/win_types.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include <cstdio>
#else
#include <cstdio>

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u

#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u

#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define TRUNCATE_EXISTING 5u

#define FILE_ATTRIBUTE_NORMAL 0x00000080u

// Makes "<dir>\<first three chars of prefix><hex>.TMP" (with '/' where the
// directory does not already end in a separator). With unique 0 it picks a
// number whose name does not exist yet and creates the file, empty, in the same
// step; otherwise it only builds the name. Returns the number used, 0 on failure
// (ERROR_BUFFER_OVERFLOW when the directory is longer than MAX_PATH - 14).
UINT GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT unique, LPSTR tempFileName);

// Opens a file as a handle. Share mode 0 takes an exclusive advisory lock, so a
// second exclusive opener through this call fails with ERROR_SHARING_VIOLATION.
HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, void* security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
// Writes all the bytes (or fails); overlapped must be null.
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes, LPDWORD written, void* overlapped);
BOOL CloseHandle(HANDLE handle);

// Renames a file; fails with ERROR_ALREADY_EXISTS, replacing nothing, when the
// new name exists. The existence test and the rename are one step.
BOOL MoveFileA(LPCSTR existingName, LPCSTR newName);

// 0 when the file exists (mode 0) or allows the access (2 write, 4 read).
int _access(const char* path, int mode);

#endif  // _WIN32
