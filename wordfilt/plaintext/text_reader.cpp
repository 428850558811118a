#include "wordfilt/plaintext/text_reader.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "wordfilt/chunks/chunk_writer.h"
#include "wordfilt/plaintext/text_decoder.h"

namespace wordfilt {
namespace {

// Bytes decoded at a time: the decoded text never needs more than this much
// room beside the output.
constexpr std::size_t kBlock = 1 << 16;

// How many units from p on are 0x20 or above, skipping four at a time while
// no unit of the four is below (a borrow into a lane's top bit that the unit
// itself lacks shows a unit under 0x20).
std::size_t UnitsAtLeastSpace(const char16_t* p, std::size_t n) {
  constexpr std::uint64_t kTop = 0x8000800080008000ull;
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    std::uint64_t w;
    std::memcpy(&w, p + i, sizeof w);
    if (((w - 0x0020002000200020ull) & ~w & kTop) != 0) break;
  }
  while (i < n && p[i] >= 0x20) ++i;
  return i;
}

// Splits decoded text into paragraphs at CR LF, CR and LF, across blocks.
class LineSplitter {
 public:
  explicit LineSplitter(ChunkWriter& writer) : writer_(writer) {}

  void Feed(std::u16string_view text) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      i += UnitsAtLeastSpace(text.data() + i, text.size() - i);
      if (i == text.size()) break;
      const char16_t c = text[i];
      if (c != u'\n' && c != u'\r' && c != 0x0C) continue;
      if (i > start) writer_.Put(text.substr(start, i - start));
      start = i + 1;
      // The LF of a CR LF pair ends no second paragraph.
      const bool pairEnd = c == u'\n' && (i > 0 ? text[i - 1] == u'\r' : afterCr_);
      if (!pairEnd) writer_.EndParagraph();
    }
    if (start < text.size()) writer_.Put(text.substr(start));
    if (!text.empty()) afterCr_ = text.back() == u'\r';
  }

 private:
  ChunkWriter& writer_;
  bool afterCr_ = false;
};

// Where to end a block of bytes that starts at `data` so that no character
// is cut: after a line feed when there is one late in the block, else after
// the last byte that cannot be part of a longer character.
std::size_t BlockLength(const TextDecoder& decoder, const std::uint8_t* data, std::size_t size) {
  if (size <= kBlock) return size;
  if (!decoder.AsciiCompatible()) return kBlock;  // even: UTF-16 units stay whole
  std::size_t cut = kBlock;
  const std::size_t floor = kBlock / 2;
  while (cut > floor && data[cut - 1] >= 0x40) --cut;
  if (cut > floor) return cut;
  // No such byte: at least keep a UTF-8 sequence whole.
  cut = kBlock;
  while (cut > kBlock - 4 && (data[cut] & 0xC0) == 0x80) --cut;
  return cut;
}

}  // namespace

LoadStatus ExtractPlainTextIn(std::uint32_t codePage, const std::uint8_t* data, std::size_t size,
                              DocumentText& out, const ExtractOptions& options) {
  out = DocumentText();
  if (!data) size = 0;
  std::size_t bom = 0;
  if (const std::uint32_t marked = CodePageFromBom(data, size, &bom)) codePage = marked;
  // Text of unknown encoding is UTF-8 when all of it decodes as such: it is
  // decoded so, and again in the system's code page at the first malformed
  // sequence (one pass over the bytes instead of a check and a decode).
  const bool guessingUtf8 = codePage == 0;
  if (guessingUtf8) codePage = kCodePageUtf8;
  TextDecoder decoder(codePage);
  // Never more units than bytes (half as many for UTF-16): room for all the
  // text at once instead of growing into twice what it needs.
  out.text.reserve(decoder.AsciiCompatible() ? size - bom : (size - bom) / 2);
  ChunkWriter writer(out, options.chunkChars);
  LineSplitter lines(writer);
  writer.BeginStory();
  std::u16string block;
  for (std::size_t at = bom; at < size;) {
    const std::size_t n = BlockLength(decoder, data + at, size - at);
    block.clear();
    decoder.Decode(data + at, n, block);
    if (guessingUtf8 && decoder.SawMalformed()) {
      return ExtractPlainTextIn(SystemTextCodePage(), data, size, out, options);
    }
    lines.Feed(block);
    at += n;
  }
  writer.EndStory();
  writer.Finish();
  return LoadStatus::kOk;
}

LoadStatus ExtractPlainText(const std::uint8_t* data, std::size_t size, DocumentText& out,
                            const ExtractOptions& options) {
  return ExtractPlainTextIn(0, data, size, out, options);
}

}  // namespace wordfilt
