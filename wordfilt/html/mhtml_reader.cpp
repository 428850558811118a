#include <string>

#include "wordfilt/html/html_reader.h"
#include "wordfilt/html/mime_parts.h"
#include "wordfilt/plaintext/text_decoder.h"
#include "wordfilt/plaintext/text_reader.h"

namespace wordfilt {

LoadStatus ExtractMhtml(const std::uint8_t* data, std::size_t size, DocumentText& out,
                        const ExtractOptions& options) {
  out = DocumentText();
  if (!data) return LoadStatus::kNotWord;
  const std::string_view archive(reinterpret_cast<const char*>(data), size);
  MimePart part;
  const bool html = FindMimePart(archive, "text/html", &part);
  if (!html && !FindMimePart(archive, "text/plain", &part)) return LoadStatus::kNotWord;
  const std::string body = DecodeMimeBody(part);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(body.data());
  const std::uint32_t codePage = CodePageFromCharset(part.charset);
  return html ? ExtractHtmlIn(codePage, bytes, body.size(), out, options)
              : ExtractPlainTextIn(codePage, bytes, body.size(), out, options);
}

}  // namespace wordfilt
