// The reader of web pages saved as documents: HTML, and MHTML archives
// (MIME multipart with an HTML part).
#pragma once

#include <cstddef>
#include <cstdint>

#include "wordfilt/doc/document_text.h"

namespace wordfilt {

LoadStatus ExtractHtml(const std::uint8_t* data, std::size_t size, DocumentText& out,
                       const ExtractOptions& options = ExtractOptions());
LoadStatus ExtractMhtml(const std::uint8_t* data, std::size_t size, DocumentText& out,
                        const ExtractOptions& options = ExtractOptions());

}  // namespace wordfilt
