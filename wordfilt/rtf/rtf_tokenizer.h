// Splits RTF bytes into tokens: group braces, control words with their
// parameter, control symbols, `\'hh` bytes, runs of plain text and the data
// of `\bin`. Knows nothing of what the words mean, except that `\bin N` is
// followed by N bytes of binary data that must not be read as RTF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace wordfilt {

enum class RtfTokenKind : std::uint8_t {
  kGroupOpen,
  kGroupClose,
  kWord,    // a control word: name, and param when hasParam
  kSymbol,  // a control symbol (`\~`, `\*`, ...): symbol; a backslash before a line end is '\n'
  kHex,     // `\'hh`: symbol is the byte
  kText,    // plain text bytes (line ends left out): data, size
  kBinary,  // the data of `\bin N`: data, size
};

struct RtfToken {
  RtfTokenKind kind = RtfTokenKind::kText;
  std::uint8_t symbol = 0;
  bool hasParam = false;
  std::int32_t param = 0;
  std::string_view word;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

class RtfTokenizer {
 public:
  RtfTokenizer(const std::uint8_t* data, std::size_t size) : at_(data), end_(data + size) {}

  // The next token; false at the end of the input.
  bool Next(RtfToken& token);

 private:
  void ReadWord(RtfToken& token);

  const std::uint8_t* at_;
  const std::uint8_t* end_;
};

}  // namespace wordfilt
