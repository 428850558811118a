// The reader of Word 2003 XML documents.
#pragma once

#include <cstddef>
#include <cstdint>

#include "wordfilt/doc/document_text.h"

namespace wordfilt {

LoadStatus ExtractWordXml(const std::uint8_t* data, std::size_t size, DocumentText& out,
                          const ExtractOptions& options = ExtractOptions());

}  // namespace wordfilt
