// The POSIX IStorage / IStream / IEnumSTATSTG objects over a CompoundFile, and
// the translation of reader results into storage results.
#pragma once

#ifndef _WIN32
#include <memory>
#include <string>

#include "platform/storage.h"
#include "platform/storage/compound_file.h"

namespace platform::cfb {

HRESULT ToHresult(Status s);

// Fills a STATSTG for an element; the name (unless STATFLAG_NONAME or absent)
// is allocated with CoTaskMemAlloc.
HRESULT FillStat(const DirEntry& e, DWORD type, std::uint64_t size, DWORD mode, DWORD flags,
                 const std::u16string* name, STATSTG* out);

// Checks the mode for opening an element inside a storage opened with `parent`.
HRESULT CheckElementMode(DWORD mode, DWORD parent);

// rootName: the name the root storage reports (empty: none, as for memory).
HRESULT NewStorageObject(std::shared_ptr<const CompoundFile> file, EntryId id, DWORD mode,
                         std::u16string rootName, IStorage** out);
HRESULT NewStreamObject(const StreamReader& reader, const DirEntry& e, DWORD mode, IStream** out);

}  // namespace platform::cfb
#endif
