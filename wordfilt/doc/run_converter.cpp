#include "wordfilt/doc/run_converter.h"

#include "wordfilt/doc/languages.h"

namespace wordfilt {
namespace {

constexpr std::uint16_t kMacCharSet = 256;
constexpr std::uint32_t kMacRomanCodePage = 10000;
constexpr std::uint8_t kDefaultCharset = 1;  // fonts at or below it name no page of their own

}  // namespace

RunConverter::RunConverter(const Fib& fib, const FontTable& fonts)
    : fonts_(fonts), word6_(EightBitText(fib.version)), farEast_(fib.farEast) {
  codePage_ = AnsiCodePage(fib.lid);
  if (codePage_ == 0) codePage_ = 1252;
  macintosh_ = word6_ && fib.charSet == kMacCharSet;
}

char16_t RunConverter::SymbolChar(const RunProps& props) {
  // A character inserted from a symbol font: the Symbol font has Unicode
  // equivalents; other symbol fonts' pictures are dropped.
  char16_t c = props.symbolChar;
  if (fonts_.IsSymbol(props.symbolFont)) return SymbolFontChar(c);
  if (word6_ || (c >= 0xF000 && c <= 0xF0FF)) {
    const std::uint32_t cp = CharsetCodePage(fonts_.Charset(props.symbolFont), codePage_);
    c = (cp == 0 || c >= 0xF000) ? 0 : c;
    if (c >= 0x80 && word6_) {
      converted_.clear();
      decoder_.Decode(cp, &c, 1, converted_);
      c = converted_.empty() ? 0 : converted_[0];
    }
  }
  return c;
}

const std::u16string* RunConverter::Convert(const char16_t* text, std::size_t n, RunProps& props) {
  if (props.symbol) props.symbolChar = SymbolChar(props);
  const bool symbolFont = fonts_.IsSymbol(props.font);
  if (!word6_ && !symbolFont) return nullptr;
  converted_.clear();
  if (symbolFont) {
    for (std::size_t i = 0; i < n; ++i) {
      const char16_t c = text[i];
      converted_.push_back(c < 0x20 ? c : SymbolFontChar(c));
    }
    return &converted_;
  }
  const std::uint8_t charset = fonts_.Charset(props.font);
  std::uint32_t cp = CharsetCodePage(charset, codePage_);
  // A Macintosh file's fonts say "ANSI" but mean the Macintosh character set.
  if (macintosh_ && cp == 1252) cp = kMacRomanCodePage;
  // The East-Asian editions store double-byte text in the document's own
  // page, under Western fonts as well: those pages hold ASCII as it is.
  if (farEast_ && charset <= kDefaultCharset) cp = codePage_;
  decoder_.Decode(cp == 0 ? 1252 : cp, text, n, converted_);
  return &converted_;
}

}  // namespace wordfilt
