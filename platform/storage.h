// Structured storage: opening compound files as IStorage/IStream. On Windows
// the system provides it; on POSIX a read-only implementation over our own
// compound-file reader (platform/storage/compound_file.h). Write operations
// on its objects answer STG_E_ACCESSDENIED.
#pragma once

#include "platform/com.h"
#include "platform/memory.h"

#ifdef _WIN32
#include <objbase.h>
#include <ole2.h>
#else

// A lock-bytes object over a movable memory block (null: a new empty block).
// Reads see the block's bytes up to its size; writes stay within that size.
HRESULT CreateILockBytesOnHGlobal(HGLOBAL global, BOOL deleteOnRelease, ILockBytes** out);

// Opens the compound file held in a lock-bytes object; the storage keeps its
// own reference to the lock bytes. Data that is not a compound file answers
// STG_E_FILEALREADYEXISTS, data shorter than a header STG_E_READFAULT, a
// damaged file STG_E_DOCFILECORRUPT (or STG_E_INVALIDHEADER, STG_E_READFAULT
// for sectors past the end of the data).
HRESULT StgOpenStorageOnILockBytes(ILockBytes* bytes, IStorage* priority, DWORD mode, SNB exclude,
                                   DWORD reserved, IStorage** out);

// Opens a compound file by path. A path whose UTF-16 units are all <= 0xFF
// names the file by those bytes; others are taken as UTF-8 (platform/path.h).
HRESULT StgOpenStorage(const OLECHAR* path, IStorage* priority, DWORD mode, SNB exclude,
                       DWORD reserved, IStorage** out);

// S_OK when the data starts with the compound-file signature, S_FALSE if not.
HRESULT StgIsStorageILockBytes(ILockBytes* bytes);
HRESULT StgIsStorageFile(const OLECHAR* path);

// The allocator for names handed out in STATSTG.
LPVOID CoTaskMemAlloc(SIZE_T bytes);
void CoTaskMemFree(LPVOID p);

#endif  // _WIN32
