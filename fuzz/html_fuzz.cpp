// Feeds arbitrary bytes to format detection and to the readers of the text
// formats: web pages, web archives and plain text, whatever the detection
// says, so that each reader sees every input. Checks that the chunks always
// tile the text and that every chunk has a locale.
#include <cstddef>
#include <cstdint>

#include "wordfilt/formats/detect.h"
#include "wordfilt/html/html_reader.h"
#include "wordfilt/plaintext/text_reader.h"

namespace {

void Check(wordfilt::LoadStatus status, const wordfilt::DocumentText& t) {
  if (status != wordfilt::LoadStatus::kOk && !t.text.empty()) __builtin_trap();
  std::size_t at = 0;
  for (const wordfilt::TextChunk& c : t.chunks) {
    if (c.offset != at || c.length == 0 || c.locale == 0) __builtin_trap();
    at += c.length;
  }
  if (at != t.text.size()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)wordfilt::DetectFormat(data, size);
  wordfilt::ExtractOptions options;
  options.chunkChars = size % 3 == 0 ? 0 : 64;
  wordfilt::DocumentText out;
  Check(wordfilt::ExtractHtml(data, size, out, options), out);
  Check(wordfilt::ExtractMhtml(data, size, out, options), out);
  Check(wordfilt::ExtractPlainText(data, size, out, options), out);
  // The charset as a MIME part would name it, over the page's own.
  Check(wordfilt::ExtractHtmlIn(size % 2 ? 932 : 1251, data, size, out, options), out);
  return 0;
}
