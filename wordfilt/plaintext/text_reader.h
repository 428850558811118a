// The reader of plain text (UTF-8, UTF-16 with a byte-order mark, or the ANSI code page).
#pragma once

#include <cstddef>
#include <cstdint>

#include "wordfilt/doc/document_text.h"

namespace wordfilt {

// A byte-order mark decides the encoding; else UTF-8 when the bytes are
// well-formed UTF-8; else the system's ANSI code page. Each line is a
// paragraph (CR LF, CR or LF end one); tabs are kept.
LoadStatus ExtractPlainText(const std::uint8_t* data, std::size_t size, DocumentText& out,
                            const ExtractOptions& options = ExtractOptions());

// The same with the encoding given (a code page, as for a MIME part that
// names its charset); 0 chooses as above. A byte-order mark still wins.
LoadStatus ExtractPlainTextIn(std::uint32_t codePage, const std::uint8_t* data, std::size_t size,
                              DocumentText& out, const ExtractOptions& options = ExtractOptions());

}  // namespace wordfilt
