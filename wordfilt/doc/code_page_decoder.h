// Decodes 8-bit text (Word 6 documents) in the code page of its font, through
// the platform's code-page conversion. Single-byte pages go through a table
// built once per page; double-byte pages through the platform a run at a time.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace wordfilt {

class CodePageDecoder {
 public:
  // Appends the UTF-16 text of `n` bytes (one byte per element, 0-255) to out.
  // Control bytes below 0x20 pass unchanged; bytes without a mapping become 0
  // (dropped later). A page the platform does not know decodes as Windows-1252
  // (Macintosh Roman as itself).
  void Decode(std::uint32_t codePage, const char16_t* bytes, std::size_t n, std::u16string& out);

 private:
  struct Table {
    std::uint32_t codePage = 0;
    bool doubleByte = false;
    std::array<char16_t, 256> map{};
  };
  const Table& TableFor(std::uint32_t codePage);

  std::vector<Table> tables_;
  std::string bytes_;
  std::u16string wide_;
};

// Windows-1252, the encoding of 8-bit pieces in Word 97 files.
char16_t Cp1252ToUnicode(std::uint8_t b);

}  // namespace wordfilt
