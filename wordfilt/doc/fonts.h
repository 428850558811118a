// The font table: each font's character set, which decides the code page of
// Word 6 text, and whether it is the Symbol font, whose characters have
// Unicode equivalents.
#pragma once

#include <cstdint>
#include <vector>

#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/fib.h"

namespace wordfilt {

class FontTable {
 public:
  void Load(ByteSpan table, const Fib& fib);

  // Character set of font ftc (Windows charset numbers); 1 (default) when unknown.
  std::uint8_t Charset(std::uint16_t ftc) const;
  bool IsSymbol(std::uint16_t ftc) const;
  bool IsWingdings(std::uint16_t ftc) const;
  std::size_t size() const { return fonts_.size(); }

 private:
  struct Font {
    std::uint8_t charset = 1;
    bool symbol = false;  // named "Symbol"
    bool wingdings = false;
  };
  std::vector<Font> fonts_;
};

// The code page of a Windows character set; 0 when it has none (symbol fonts)
// and `fallback` for the default and ANSI sets that depend on the system.
std::uint32_t CharsetCodePage(std::uint8_t charset, std::uint32_t fallback);

// Unicode for a character of the Symbol font (0x20-0xFF, or its F0xx alias), or 0.
char16_t SymbolFontChar(char16_t c);
// The picture a bullet from the Wingdings font shows (0x20-0xFF, or its F0xx
// alias), for the bullets Word offers; 0 for the others.
char16_t WingdingsBullet(char16_t c);

}  // namespace wordfilt
