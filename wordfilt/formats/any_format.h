// Extraction from a whole file in memory, whatever format it is in: the
// component's entry for files that are no compound file, and for tools.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/storage/byte_source.h"
#include "wordfilt/doc/document_text.h"

namespace wordfilt {

// Detects the format and runs its reader. kNotWord for data that is none of
// the formats the server reads; kDamaged for a file of a known format that
// cannot be read; kEncrypted for password-protected documents.
LoadStatus ExtractAnyFormat(const std::uint8_t* data, std::size_t size, DocumentText& out,
                            const ExtractOptions& options = ExtractOptions());

// The same for a compound file read through `source` (one that starts with
// the compound-file signature), stream by stream as the parser asks, so that
// only the sectors of the streams the text needs are read.
LoadStatus ExtractCompoundFrom(std::shared_ptr<const platform::cfb::ByteSource> source,
                               DocumentText& out, const ExtractOptions& options = ExtractOptions());

// True when the bytes start with the compound-file signature.
bool StartsCompoundFile(const std::uint8_t* data, std::size_t size);

}  // namespace wordfilt
