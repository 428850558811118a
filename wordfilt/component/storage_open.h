// Opening a document file as a compound-file storage, with results a filter
// host can act on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/com.h"
#include "wordfilt/doc/byte_buffer.h"

namespace wordfilt {

// S_OK with *storage holding one reference; FILTER_E_ACCESS when access to the
// file was refused; FILTER_E_UNKNOWNFORMAT for data that is not a compound file
// or is damaged; another failure (file missing, out of memory) otherwise.
HRESULT OpenStorageFile(LPCOLESTR path, IStorage** storage) noexcept;

// Reads a whole stream of the storage; false when it is missing or unreadable.
// Streams larger than maxBytes are refused.
bool ReadStorageStream(IStorage* storage, const char16_t* name, std::size_t maxBytes,
                       ByteBuffer* out) noexcept;

// Reads a whole file named by a wide path; false when it cannot be read or is
// larger than maxBytes.
bool ReadWholeFile(LPCOLESTR path, std::size_t maxBytes, std::vector<std::uint8_t>* out) noexcept;

}  // namespace wordfilt
