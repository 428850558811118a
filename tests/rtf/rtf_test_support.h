// Helpers of the RTF reader's tests.
#pragma once

#include <string>

#include "wordfilt/doc/document_text.h"
#include "wordfilt/rtf/rtf_reader.h"

namespace rtftest {

inline wordfilt::DocumentText Read(const std::string& rtf,
                                   const wordfilt::ExtractOptions& options = {}) {
  wordfilt::DocumentText out;
  const wordfilt::LoadStatus s = wordfilt::ExtractRtf(
      reinterpret_cast<const std::uint8_t*>(rtf.data()), rtf.size(), out, options);
  EXPECT_EQ(s, wordfilt::LoadStatus::kOk);
  return out;
}

// The text as UTF-8, for readable comparisons.
inline std::string Utf8(const std::u16string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    std::uint32_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

inline std::string Text(const std::string& rtf, const wordfilt::ExtractOptions& options = {}) {
  return Utf8(Read(rtf, options).text);
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

}  // namespace rtftest
