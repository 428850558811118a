#include "wordfilt/plaintext/text_decoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/text.h"
#include "wordfilt/doc/code_page_decoder.h"

namespace wordfilt {
namespace {

bool IsDoubleBytePage(std::uint32_t cp) { return cp == 932 || cp == 936 || cp == 949 || cp == 950; }

bool IsSingleBytePage(std::uint32_t cp) {
  return cp == 874 || (cp >= 1250 && cp <= 1258) || cp == 437 || cp == 850 || cp == 866;
}

char ToLowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Length of the well-formed UTF-8 sequence at p (1-4), or 0 when malformed or
// cut short by `end`.
std::size_t Utf8SequenceLength(const std::uint8_t* p, const std::uint8_t* end) {
  const std::uint8_t b = p[0];
  if (b < 0x80) return 1;
  std::size_t len;
  std::uint8_t lo = 0x80, hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (static_cast<std::size_t>(end - p) < len) return 0;
  if (p[1] < lo || p[1] > hi) return 0;
  for (std::size_t i = 2; i < len; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
  }
  return len;
}

// Bytes from p up to the first one that is not ASCII.
std::size_t AsciiRun(const std::uint8_t* p, std::size_t n) {
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & 0x8080808080808080ull) break;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

}  // namespace

std::uint32_t CodePageFromBom(const std::uint8_t* data, std::size_t size, std::size_t* bomLength) {
  std::size_t len = 0;
  std::uint32_t cp = 0;
  if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
    len = 3;
    cp = kCodePageUtf8;
  } else if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    len = 2;
    cp = kCodePageUtf16Le;
  } else if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
    len = 2;
    cp = kCodePageUtf16Be;
  }
  if (bomLength) *bomLength = len;
  return cp;
}

bool IsValidUtf8(const std::uint8_t* data, std::size_t size, bool allowCutEnd) {
  const std::uint8_t* p = data;
  const std::uint8_t* end = data + size;
  while (p < end) {
    p += AsciiRun(p, static_cast<std::size_t>(end - p));
    if (p == end) break;
    const std::size_t len = Utf8SequenceLength(p, end);
    if (len == 0) {
      // A sequence the end cut short: is every byte present a valid start?
      if (!allowCutEnd || end - p >= 4) return false;
      const std::size_t have = static_cast<std::size_t>(end - p);
      std::uint8_t padded[4] = {p[0], 0x80, 0x80, 0x80};
      for (std::size_t i = 1; i < have; ++i) padded[i] = p[i];
      if (p[0] == 0xE0 && have < 2) padded[1] = 0xA0;
      if (p[0] == 0xF0 && have < 2) padded[1] = 0x90;
      return Utf8SequenceLength(padded, padded + 4) > have;
    }
    p += len;
  }
  return true;
}

std::uint32_t CodePageFromCharset(std::string_view label) {
  std::string name;
  for (char c : label) {
    if (c == '"' || c == '\'' || c == ' ' || c == '\t') continue;
    if (name.size() >= 40) return 0;
    name.push_back(ToLowerAscii(c));
  }
  struct Entry {
    const char* name;
    std::uint32_t codePage;
  };
  // Labels as browsers and mail readers resolve them; ISO pages whose
  // letters the Windows page shares map to it, as browsers map them.
  static const Entry kLabels[] = {
      {"utf-8", 65001},        {"utf8", 65001},      {"unicode-1-1-utf-8", 65001},
      {"utf-16", 1200},        {"utf-16le", 1200},   {"unicode", 1200},
      {"ucs-2", 1200},         {"utf-16be", 1201},   {"unicodefffe", 1201},
      {"us-ascii", 1252},      {"ascii", 1252},      {"ansi_x3.4-1968", 1252},
      {"iso-8859-1", 1252},    {"iso8859-1", 1252},  {"iso_8859-1", 1252},
      {"latin1", 1252},        {"l1", 1252},         {"cp819", 1252},
      {"iso-8859-15", 1252},   {"latin-9", 1252},    {"iso-8859-9", 1254},
      {"latin5", 1254},        {"iso-8859-11", 874}, {"tis-620", 874},
      {"windows-874", 874},    {"cp874", 874},       {"shift_jis", 932},
      {"shift-jis", 932},      {"sjis", 932},        {"x-sjis", 932},
      {"ms_kanji", 932},       {"windows-31j", 932}, {"cp932", 932},
      {"gb2312", 936},         {"gbk", 936},         {"gb18030", 936},
      {"x-gbk", 936},          {"cp936", 936},       {"euc-cn", 936},
      {"ks_c_5601-1987", 949}, {"euc-kr", 949},      {"cp949", 949},
      {"windows-949", 949},    {"big5", 950},        {"big5-hkscs", 950},
      {"cp950", 950},          {"x-x-big5", 950},    {"ibm866", 866},
      {"cp866", 866},          {"ibm437", 437},      {"cp437", 437},
      {"ibm850", 850},         {"cp850", 850},
  };
  for (const Entry& e : kLabels) {
    if (name == e.name) return e.codePage;
  }
  // windows-1250 ... windows-1258, cp1250, x-cp1250
  for (std::string_view prefix : {"windows-", "cp", "x-cp"}) {
    if (name.size() == prefix.size() + 4 && name.compare(0, prefix.size(), prefix) == 0) {
      const std::string digits = name.substr(prefix.size());
      if (digits >= "1250" && digits <= "1258") {
        return static_cast<std::uint32_t>(std::stoul(digits));
      }
    }
  }
  return 0;
}

std::uint32_t SystemTextCodePage() {
  const std::uint32_t acp = GetACP();
  if (acp == kCodePageUtf8 || IsSingleBytePage(acp) || IsDoubleBytePage(acp)) return acp;
  return 1252;
}

TextDecoder::TextDecoder(std::uint32_t codePage) : codePage_(codePage) {
  if (codePage == kCodePageUtf8) {
    kind_ = Kind::kUtf8;
  } else if (codePage == kCodePageUtf16Le) {
    kind_ = Kind::kUtf16Le;
  } else if (codePage == kCodePageUtf16Be) {
    kind_ = Kind::kUtf16Be;
  } else if (IsDoubleBytePage(codePage)) {
    kind_ = Kind::kDoubleByte;
  } else {
    kind_ = Kind::kSingleByte;
    if (!IsSingleBytePage(codePage)) codePage_ = 1252;
    for (int b = 0; b < 256; ++b) {
      char byte = static_cast<char>(b);
      WCHAR wide[2] = {};
      char16_t c = 0;
      if (b < 0x80) {
        c = static_cast<char16_t>(b);
      } else if (MultiByteToWideChar(codePage_, 0, &byte, 1, wide, 2) == 1) {
        c = static_cast<char16_t>(wide[0]);
      } else {
        c = Cp1252ToUnicode(static_cast<std::uint8_t>(b));
      }
      table_[static_cast<std::size_t>(b)] = c;
    }
  }
}

void TextDecoder::Decode(const std::uint8_t* data, std::size_t n, std::u16string& out) {
  switch (kind_) {
    case Kind::kUtf8: DecodeUtf8(data, n, out); return;
    case Kind::kUtf16Le:
    case Kind::kUtf16Be: {
      const std::size_t units = n / 2;
      const std::size_t at = out.size();
      out.resize(at + units);
      const int hi = kind_ == Kind::kUtf16Le ? 1 : 0;
      for (std::size_t i = 0; i < units; ++i) {
        out[at + i] = static_cast<char16_t>(data[2 * i + hi] << 8 | data[2 * i + 1 - hi]);
      }
      return;
    }
    case Kind::kDoubleByte: DecodeDoubleByte(data, n, out); return;
    case Kind::kSingleByte: {
      const std::size_t at = out.size();
      out.resize(at + n);
      char16_t* o = &out[at];
      for (std::size_t i = 0; i < n; ++i) o[i] = table_[data[i]];
      return;
    }
  }
}

void TextDecoder::DecodeUtf8(const std::uint8_t* data, std::size_t n, std::u16string& out) {
  const std::uint8_t* p = data;
  const std::uint8_t* end = data + n;
  const std::size_t start = out.size();
  out.resize(start + n);  // never more units than bytes
  char16_t* o = &out[start];
  while (p < end) {
    const std::size_t ascii = AsciiRun(p, static_cast<std::size_t>(end - p));
    for (std::size_t i = 0; i < ascii; ++i) o[i] = p[i];
    o += ascii;
    p += ascii;
    if (p == end) break;
    const std::size_t len = Utf8SequenceLength(p, end);
    if (len == 0) {
      malformed_ = true;
      *o++ = Cp1252ToUnicode(*p++);
      continue;
    }
    std::uint32_t cp;
    if (len == 2) {
      cp = (p[0] & 0x1Fu) << 6 | (p[1] & 0x3Fu);
    } else if (len == 3) {
      cp = (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
    } else {
      cp = (p[0] & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      *o++ = static_cast<char16_t>(cp);
    }
    p += len;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
}

void TextDecoder::DecodeDoubleByte(const std::uint8_t* data, std::size_t n, std::u16string& out) {
  // The platform converts whole runs; runs stay below its int counts.
  constexpr std::size_t kRun = 1 << 20;
  std::size_t done = 0;
  while (done < n) {
    std::size_t take = std::min(kRun, n - done);
    if (done + take < n) {
      // End the run after a byte that cannot lead a pair.
      std::size_t cut = take;
      while (cut > 0 && data[done + cut - 1] >= 0x40) --cut;
      if (cut > 0) take = cut;
    }
    const char* src = reinterpret_cast<const char*>(data + done);
    const std::size_t at = out.size();
    out.resize(at + take);
    const int got = MultiByteToWideChar(codePage_, 0, src, static_cast<int>(take),
                                        reinterpret_cast<WCHAR*>(&out[at]), static_cast<int>(take));
    out.resize(at + static_cast<std::size_t>(got > 0 ? got : 0));
    done += take;
  }
}

}  // namespace wordfilt
