// Text of a run as Unicode: Word 6 bytes through their font's code page,
// Symbol font characters to their Unicode equivalents.
#pragma once

#include <cstdint>
#include <string>

#include "wordfilt/doc/char_props.h"
#include "wordfilt/doc/code_page_decoder.h"
#include "wordfilt/doc/fib.h"
#include "wordfilt/doc/fonts.h"

namespace wordfilt {

class RunConverter {
 public:
  RunConverter(const Fib& fib, const FontTable& fonts);

  // The converted text of text[0, n), or null when it stays as it is. Sets
  // props.symbolChar of a symbol character to its Unicode (0: dropped). The
  // result lasts until the next call.
  const std::u16string* Convert(const char16_t* text, std::size_t n, RunProps& props);

 private:
  char16_t SymbolChar(const RunProps& props);

  const FontTable& fonts_;
  bool word6_ = false;
  bool farEast_ = false;           // Word 6/95 of the East-Asian editions
  std::uint32_t codePage_ = 1252;  // Word 6: the document language's code page
  bool macintosh_ = false;         // Word 6 written on a Macintosh
  CodePageDecoder decoder_;
  std::u16string converted_;
};

}  // namespace wordfilt
