// The reader of Rich Text Format.
#pragma once

#include <cstddef>
#include <cstdint>

#include "wordfilt/doc/document_text.h"

namespace wordfilt {

LoadStatus ExtractRtf(const std::uint8_t* data, std::size_t size, DocumentText& out,
                      const ExtractOptions& options = ExtractOptions());

}  // namespace wordfilt
