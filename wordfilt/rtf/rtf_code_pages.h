// Decodes the 8-bit text of RTF documents in the code page of its font:
// single-byte pages through a table built once per page, double-byte pages a
// run at a time, both through the platform's code-page conversion.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "wordfilt/doc/code_page_decoder.h"

namespace wordfilt {

class RtfCodePages {
 public:
  using Table = std::array<char16_t, 256>;

  static bool IsDoubleByte(std::uint32_t codePage);

  // The characters of the 256 bytes of a single-byte page (0 where a byte has
  // none; a page the platform does not know reads as Windows-1252). The table
  // lives as long as this object.
  const Table& SingleByte(std::uint32_t codePage);

  // Appends the text of a run of bytes in a double-byte page to `out`.
  void DecodeRun(std::uint32_t codePage, const std::string& bytes, std::u16string& out);

 private:
  struct Page {
    std::uint32_t codePage = 0;
    Table table{};
  };
  std::deque<Page> pages_;  // stays where it is: readers keep pointers to tables
  CodePageDecoder decoder_;
  std::u16string wide_;
};

}  // namespace wordfilt
