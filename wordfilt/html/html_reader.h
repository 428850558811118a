// The reader of web pages saved as documents: HTML, and MHTML archives
// (MIME multipart with an HTML part).
#pragma once

#include <cstddef>
#include <cstdint>

#include "wordfilt/doc/document_text.h"

namespace wordfilt {

// The text of the page's body as a browser lays it out; its <title> as the
// title property. The encoding: a byte-order mark, else the charset the
// page declares, else UTF-8 when the bytes are UTF-8, else the ANSI code page.
LoadStatus ExtractHtml(const std::uint8_t* data, std::size_t size, DocumentText& out,
                       const ExtractOptions& options = ExtractOptions());

// The same with a charset given from outside the page (as the MIME part that
// holds it names it), which wins over the page's own declaration; 0 for none.
LoadStatus ExtractHtmlIn(std::uint32_t codePage, const std::uint8_t* data, std::size_t size,
                         DocumentText& out, const ExtractOptions& options = ExtractOptions());

// The first HTML part of a web archive (quoted-printable, base64 or plain),
// in the charset its headers name; a plain-text part when there is no HTML.
LoadStatus ExtractMhtml(const std::uint8_t* data, std::size_t size, DocumentText& out,
                        const ExtractOptions& options = ExtractOptions());

}  // namespace wordfilt
