// The reader of plain text (UTF-8, UTF-16 with a byte-order mark, or the ANSI code page).
#pragma once

#include <cstddef>
#include <cstdint>

#include "wordfilt/doc/document_text.h"

namespace wordfilt {

LoadStatus ExtractPlainText(const std::uint8_t* data, std::size_t size, DocumentText& out,
                            const ExtractOptions& options = ExtractOptions());

}  // namespace wordfilt
