// Helpers of the text-format tests: bytes from literals, text as UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "wordfilt/doc/document_text.h"

namespace formattest {

inline const std::uint8_t* Bytes(std::string_view s) {
  return reinterpret_cast<const std::uint8_t*>(s.data());
}

inline std::string Utf8(std::u16string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    std::uint32_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00u);
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | c >> 6));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | c >> 12));
      out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | c >> 18));
      out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// UTF-16 bytes of ASCII text, little- or big-endian, with a byte-order mark.
inline std::string Utf16(std::string_view ascii, bool bigEndian) {
  std::string out = bigEndian ? std::string("\xFE\xFF") : std::string("\xFF\xFE");
  for (char c : ascii) {
    if (bigEndian) out.push_back('\0');
    out.push_back(c);
    if (!bigEndian) out.push_back('\0');
  }
  return out;
}

// Chunks must tile the text: back to back, none empty, each with a locale.
inline bool ChunksTileText(const wordfilt::DocumentText& t) {
  std::size_t at = 0;
  for (const wordfilt::TextChunk& c : t.chunks) {
    if (c.offset != at || c.length == 0 || c.locale == 0) return false;
    at += c.length;
  }
  return at == t.text.size();
}

}  // namespace formattest
