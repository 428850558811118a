#include "wordfilt/doc/fonts.h"

namespace wordfilt {
namespace {

constexpr std::size_t kMaxFonts = 0x7FFF;

// Whether a font's NUL-terminated name, of 8-bit or 16-bit characters, is `want`.
bool NameIs(ByteSpan name, bool wide, const char* want) {
  for (std::size_t i = 0;; ++i) {
    const std::uint16_t c = wide ? name.U16Or0(2 * i) : name.U8Or0(i);
    if (c != static_cast<std::uint8_t>(want[i])) return false;
    if (c == 0) return true;
  }
}

// Symbol font 0x20-0xFF. 0 marks characters with no single Unicode equivalent
// (pieces of large brackets and the like).
constexpr char16_t kSymbolTable[224] = {
    // 0x20
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B, 0x0028, 0x0029, 0x2217, 0x002B,
    0x002C, 0x2212, 0x002E, 0x002F,
    // 0x30
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B,
    0x003C, 0x003D, 0x003E, 0x003F,
    // 0x40
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A,
    0x039B, 0x039C, 0x039D, 0x039F,
    // 0x50
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396, 0x005B,
    0x2234, 0x005D, 0x22A5, 0x005F,
    // 0x60
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9, 0x03D5, 0x03BA,
    0x03BB, 0x03BC, 0x03BD, 0x03BF,
    // 0x70
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6, 0x007B,
    0x007C, 0x007D, 0x223C, 0,
    // 0x80-0x9F: unused
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0xA0
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194,
    0x2190, 0x2191, 0x2192, 0x2193,
    // 0xB0
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, 0x00F7, 0x2260, 0x2261, 0x2248,
    0x2026, 0x23D0, 0x23AF, 0x21B5,
    // 0xC0
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, 0x222A, 0x2283, 0x2287, 0x2284,
    0x2282, 0x2286, 0x2208, 0x2209,
    // 0xD0
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, 0x00AC, 0x2227, 0x2228, 0x21D4,
    0x21D0, 0x21D1, 0x21D2, 0x21D3,
    // 0xE0
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0xF0
    0, 0x232A, 0x222B, 0x2320, 0, 0x2321, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

}  // namespace

void FontTable::Load(ByteSpan table, const Fib& fib) {
  fonts_.clear();
  const ByteSpan sttb = table.Sub(fib.sttbfFfn.fc, fib.sttbfFfn.lcb);
  const bool word6 = fib.version == WordVersion::kWord6;
  // Word 97 starts with the font count and a zero word; Word 6 with the byte size.
  std::uint64_t at = word6 ? 2 : 4;
  while (at < sttb.size() && fonts_.size() < kMaxFonts) {
    const std::uint8_t cb = sttb.U8Or0(at);
    const ByteSpan ffn = sttb.Sub(at + 1, cb);
    if (cb == 0 || ffn.empty()) break;
    Font f;
    f.charset = ffn.U8Or0(3);
    const ByteSpan name = word6 ? ffn.Sub(5, cb - 5u) : ffn.Sub(39, cb - 39u);
    f.symbol = NameIs(name, !word6, "Symbol");
    f.wingdings = NameIs(name, !word6, "Wingdings");
    fonts_.push_back(f);
    at += 1ull + cb;
  }
}

std::uint8_t FontTable::Charset(std::uint16_t ftc) const {
  return ftc < fonts_.size() ? fonts_[ftc].charset : 1;
}

bool FontTable::IsSymbol(std::uint16_t ftc) const {
  return ftc < fonts_.size() && fonts_[ftc].symbol;
}

bool FontTable::IsWingdings(std::uint16_t ftc) const {
  return ftc < fonts_.size() && fonts_[ftc].wingdings;
}

std::uint32_t CharsetCodePage(std::uint8_t charset, std::uint32_t fallback) {
  switch (charset) {
    case 0: return 1252;  // ANSI
    case 2: return 0;     // symbol
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 255: return 437;  // OEM
    default: return fallback;
  }
}

char16_t SymbolFontChar(char16_t c) {
  if (c >= 0xF020 && c <= 0xF0FF) c = static_cast<char16_t>(c - 0xF000);
  if (c < 0x20 || c > 0xFF) return 0;
  return kSymbolTable[c - 0x20];
}

char16_t WingdingsBullet(char16_t c) {
  static const char16_t kBullets[][2] = {{0x6C, 0x25CF}, {0x6E, 0x25A0}, {0x6F, 0x25A1},
                                         {0x71, 0x2751}, {0x75, 0x25C6}, {0x76, 0x2756},
                                         {0x9F, 0x2022}, {0xA7, 0x25AA}, {0xA8, 0x25FB},
                                         {0xD8, 0x27A2}, {0xE8, 0x2794}, {0xFC, 0x2714}};
  if (c >= 0xF000 && c <= 0xF0FF) c = static_cast<char16_t>(c - 0xF000);
  for (const auto& b : kBullets) {
    if (b[0] == c) return b[1];
  }
  return 0;
}

}  // namespace wordfilt
