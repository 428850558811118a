// The reader of Office Open XML word-processing packages (docx, docm, dotx, dotm).
#pragma once

#include <cstddef>
#include <cstdint>

#include "wordfilt/doc/document_text.h"

namespace wordfilt {

LoadStatus ExtractOoxml(const std::uint8_t* data, std::size_t size, DocumentText& out,
                        const ExtractOptions& options = ExtractOptions());

}  // namespace wordfilt
