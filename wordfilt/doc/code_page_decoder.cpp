#include "wordfilt/doc/code_page_decoder.h"

#include "platform/text.h"

namespace wordfilt {
namespace {

constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Macintosh Roman 0x80-0xFF, for Word 6 files written on a Macintosh when the
// platform has no such code page.
constexpr std::uint32_t kMacRoman = 10000;
constexpr char16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
    0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
    0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
    0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
    0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
    0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7};

bool IsDoubleByte(std::uint32_t codePage) {
  return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 ||
         codePage == 1361;
}

// One byte through the platform; 0 when the page or the byte is unknown.
char16_t Convert(std::uint32_t codePage, char byte) {
  WCHAR wide[4] = {};
  const int got = MultiByteToWideChar(codePage, 0, &byte, 1, wide, 4);
  return got == 1 ? static_cast<char16_t>(wide[0]) : 0;
}

}  // namespace

char16_t Cp1252ToUnicode(std::uint8_t b) {
  return (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
}

const CodePageDecoder::Table& CodePageDecoder::TableFor(std::uint32_t codePage) {
  for (const Table& t : tables_) {
    if (t.codePage == codePage) return t;
  }
  Table t;
  t.codePage = codePage;
  t.doubleByte = IsDoubleByte(codePage);
  bool known = false;
  for (unsigned b = 0; b < 256; ++b) {
    if (b < 0x20) {
      t.map[b] = static_cast<char16_t>(b);
      continue;
    }
    t.map[b] = t.doubleByte && b >= 0x80 ? 0 : Convert(codePage, static_cast<char>(b));
    known = known || (b >= 0x41 && t.map[b] != 0);
  }
  if (!known) {
    t.doubleByte = false;
    for (unsigned b = 0x20; b < 256; ++b) {
      t.map[b] = codePage == kMacRoman && b >= 0x80 ? kMacRomanHigh[b - 0x80]
                                                    : Cp1252ToUnicode(static_cast<std::uint8_t>(b));
    }
  }
  tables_.push_back(t);
  return tables_.back();
}

void CodePageDecoder::Decode(std::uint32_t codePage, const char16_t* bytes, std::size_t n,
                             std::u16string& out) {
  const Table& t = TableFor(codePage);
  bool high = false;
  if (t.doubleByte) {
    for (std::size_t i = 0; i < n && !high; ++i) high = bytes[i] >= 0x80;
  }
  if (!high || n > 0x7FFFFFFF) {
    const std::size_t at = out.size();
    out.resize(at + n);
    char16_t* dst = &out[at];
    for (std::size_t i = 0; i < n; ++i) dst[i] = t.map[bytes[i] & 0xFF];
    return;
  }
  bytes_.assign(n, '\0');
  for (std::size_t i = 0; i < n; ++i) bytes_[i] = static_cast<char>(bytes[i] & 0xFF);
  wide_.resize(n);
  const int got = MultiByteToWideChar(codePage, 0, bytes_.data(), static_cast<int>(n),
                                      reinterpret_cast<WCHAR*>(&wide_[0]), static_cast<int>(n));
  if (got <= 0) {
    for (std::size_t i = 0; i < n; ++i) out.push_back(t.map[bytes[i] & 0xFF]);
    return;
  }
  out.append(wide_, 0, static_cast<std::size_t>(got));
}

}  // namespace wordfilt
