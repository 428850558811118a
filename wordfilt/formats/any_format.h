// Extraction from a whole file in memory, whatever format it is in: the
// component's entry for files that are no compound file, and for tools.
#pragma once

#include <cstddef>
#include <cstdint>

#include "wordfilt/doc/document_text.h"

namespace wordfilt {

// Detects the format and runs its reader. kNotWord for data that is none of
// the formats the server reads; kDamaged for a file of a known format that
// cannot be read; kEncrypted for password-protected documents.
LoadStatus ExtractAnyFormat(const std::uint8_t* data, std::size_t size, DocumentText& out,
                            const ExtractOptions& options = ExtractOptions());

}  // namespace wordfilt
