#include "wordfilt/ooxml/ooxml_reader.h"

namespace wordfilt {

// Not read yet: refused like any unknown format.
LoadStatus ExtractOoxml(const std::uint8_t*, std::size_t, DocumentText& out,
                        const ExtractOptions&) {
  out = DocumentText();
  return LoadStatus::kNotWord;
}

}  // namespace wordfilt
