#include "wordfilt/doc/languages.h"

#include <algorithm>
#include <iterator>

namespace wordfilt {
namespace {

constexpr std::uint16_t kRussian = 0x0419;
constexpr std::uint16_t kGreek = 0x0408;
constexpr std::uint16_t kHebrew = 0x040D;
constexpr std::uint16_t kArabic = 0x0401;
constexpr std::uint16_t kThai = 0x041E;
constexpr std::uint16_t kJapanese = 0x0411;
constexpr std::uint16_t kKorean = 0x0412;
constexpr std::uint16_t kChineseSimplified = 0x0804;

bool In(char16_t c, char16_t lo, char16_t hi) { return c >= lo && c <= hi; }

}  // namespace

Script ClassifyChar(char16_t c) {
  if (c < 0x80) {
    if (In(c, 'a', 'z') || In(c, 'A', 'Z')) return Script::kLatin;
    return Script::kNeutral;
  }
  if (c < 0x0250) {
    // Latin-1 and Latin Extended; the symbols of Latin-1 are neutral.
    if (c < 0xC0) return (c == 0xAA || c == 0xB5 || c == 0xBA) ? Script::kLatin : Script::kNeutral;
    if (c == 0xD7 || c == 0xF7) return Script::kNeutral;
    return Script::kLatin;
  }
  if (c < 0x0370) return c < 0x02B0 ? Script::kLatin : Script::kNeutral;  // IPA, modifiers
  if (c < 0x0400) return Script::kGreek;
  if (c < 0x0530) return Script::kCyrillic;
  if (c < 0x0590) return Script::kOther;  // Armenian
  if (c < 0x0600) return Script::kHebrew;
  if (c < 0x0700) {
    // Arabic digits and punctuation stay with their neighbours.
    if (In(c, 0x0660, 0x066D) || c == 0x060C || c == 0x061B || c == 0x061F) {
      return Script::kNeutral;
    }
    return Script::kArabic;
  }
  if (c < 0x0780) return Script::kOtherComplex;  // Syriac, Arabic supplement
  if (c < 0x07C0) return Script::kOtherComplex;  // Thaana
  if (c < 0x0900) return Script::kOther;
  if (c < 0x0E00) return Script::kOtherComplex;  // Indic scripts, Sinhala
  if (c < 0x0E80) return Script::kThai;
  if (c < 0x1100) return Script::kOtherComplex;  // Lao, Tibetan, Myanmar
  if (c < 0x1200) return Script::kHangul;        // Jamo
  if (c < 0x1E00) return Script::kOther;
  if (c < 0x2000) return c < 0x1F00 ? Script::kLatin : Script::kGreek;
  if (c < 0x2E80) return Script::kNeutral;         // punctuation, symbols, arrows, shapes
  if (c < 0x3000) return Script::kHan;             // radicals
  if (c < 0x3040) return Script::kOtherEastAsian;  // CJK punctuation
  if (c < 0x3100) return Script::kKana;
  if (c < 0x3130) return Script::kOtherEastAsian;  // bopomofo
  if (c < 0x3190) return Script::kHangul;          // compatibility jamo
  if (c < 0x3400) return (c >= 0x31F0 && c < 0x3200) ? Script::kKana : Script::kOtherEastAsian;
  if (c < 0xA000) return Script::kHan;
  if (c < 0xAC00) return Script::kOther;
  if (c < 0xD800) return Script::kHangul;
  if (c < 0xF900) return Script::kNeutral;  // surrogates and private use
  if (c < 0xFB00) return Script::kHan;      // compatibility ideographs
  if (c < 0xFB1D) return Script::kLatin;    // ligatures
  if (c < 0xFB50) return Script::kHebrew;
  if (c < 0xFE00) return Script::kArabic;
  if (c < 0xFE70) return (c >= 0xFE30 && c < 0xFE50) ? Script::kOtherEastAsian : Script::kNeutral;
  if (c < 0xFF00) return Script::kArabic;
  if (c < 0xFFF0) {
    if (In(c, 0xFF21, 0xFF3A) || In(c, 0xFF41, 0xFF5A)) return Script::kOtherEastAsian;
    if (In(c, 0xFF66, 0xFF9F)) return Script::kKana;
    if (In(c, 0xFFA0, 0xFFDC)) return Script::kHangul;
    return Script::kOtherEastAsian;
  }
  return Script::kNeutral;
}

namespace {

struct PrimaryPage {
  std::uint16_t primary;
  std::uint16_t page;  // 0: the language has no ANSI code page
};

// The primary languages whose ANSI code page is not 1252, by primary id.
constexpr PrimaryPage kPrimaryPages[] = {
    {0x01, 1256},  // Arabic
    {0x02, 1251},  // Bulgarian
    {0x05, 1250},  // Czech
    {0x08, 1253},  // Greek
    {0x0D, 1255},  // Hebrew
    {0x0E, 1250},  // Hungarian
    {0x11, 932},   // Japanese
    {0x12, 949},   // Korean
    {0x15, 1250},  // Polish
    {0x18, 1250},  // Romanian
    {0x19, 1251},  // Russian
    {0x1B, 1250},  // Slovak
    {0x1C, 1250},  // Albanian
    {0x1E, 874},   // Thai
    {0x1F, 1254},  // Turkish
    {0x20, 1256},  // Urdu
    {0x22, 1251},  // Ukrainian
    {0x23, 1251},  // Belarusian
    {0x24, 1250},  // Slovenian
    {0x25, 1257},  // Estonian
    {0x26, 1257},  // Latvian
    {0x27, 1257},  // Lithuanian
    {0x28, 1251},  // Tajik
    {0x29, 1256},  // Persian
    {0x2A, 1258},  // Vietnamese
    {0x2B, 0},     // Armenian
    {0x2E, 1250},  // Sorbian
    {0x2F, 1251},  // Macedonian
    {0x37, 0},     // Georgian
    {0x39, 0},     // Hindi
    {0x3D, 1255},  // Yiddish
    {0x3F, 1251},  // Kazakh
    {0x40, 1251},  // Kyrgyz
    {0x44, 1251},  // Tatar
    {0x45, 0},     // Bengali
    {0x46, 0},     // Punjabi
    {0x47, 0},     // Gujarati
    {0x48, 0},     // Odia
    {0x49, 0},     // Tamil
    {0x4A, 0},     // Telugu
    {0x4B, 0},     // Kannada
    {0x4C, 0},     // Malayalam
    {0x4D, 0},     // Assamese
    {0x4E, 0},     // Marathi
    {0x4F, 0},     // Sanskrit
    {0x50, 1251},  // Mongolian
    {0x53, 0},     // Khmer
    {0x54, 0},     // Lao
    {0x57, 0},     // Konkani
    {0x5A, 0},     // Syriac
    {0x5B, 0},     // Sinhala
    {0x61, 0},     // Nepali
    {0x65, 0},     // Divehi
    {0x6D, 1251},  // Bashkir
    {0x85, 1251},  // Sakha
    {0x8C, 1256},  // Dari
    {0x92, 1256},  // Central Kurdish
};

}  // namespace

std::uint32_t AnsiCodePage(std::uint16_t lid) {
  const std::uint16_t primary = lid & 0x3FF;
  const std::uint16_t sub = lid >> 10;
  // Languages written in two scripts or two Chinese forms: the sublanguage decides.
  switch (primary) {
    case 0x1A:  // Croatian, Serbian, Bosnian: the Cyrillic variants use 1251
      return (sub == 3 || sub == 7 || sub == 8) ? 1251 : 1250;
    case 0x2C:  // Azerbaijani, Uzbek: Latin 1254, Cyrillic 1251
    case 0x43: return sub == 2 ? 1251 : 1254;
    case 0x04:  // Chinese: PRC and Singapore simplified, the rest traditional
      return (sub == 2 || sub == 4) ? 936 : 950;
    default: break;
  }
  const auto* end = std::end(kPrimaryPages);
  const auto* it =
      std::lower_bound(std::begin(kPrimaryPages), end, primary,
                       [](const PrimaryPage& p, std::uint16_t id) { return p.primary < id; });
  return it != end && it->primary == primary ? it->page : 1252;
}

bool LanguageFitsScript(std::uint16_t lid, Script s) {
  if (lid == 0 || lid == 0x0400) return false;  // none, or "no proofing"
  const std::uint32_t cp = AnsiCodePage(lid);
  switch (s) {
    case Script::kNeutral: return true;
    case Script::kLatin: return cp != 0;
    case Script::kCyrillic: return cp == 1251;
    case Script::kGreek: return cp == 1253;
    case Script::kHebrew: return cp == 1255;
    case Script::kArabic: return cp == 1256;
    case Script::kThai: return cp == 874;
    case Script::kKana: return cp == 932;
    case Script::kHangul: return cp == 949;
    case Script::kHan: return cp == 932 || cp == 936 || cp == 949 || cp == 950;
    case Script::kOtherEastAsian: return cp == 932 || cp == 936 || cp == 949 || cp == 950;
    case Script::kOtherComplex:
    case Script::kOther: return true;  // no ANSI page holds them; any label serves
  }
  return true;
}

std::uint16_t LanguageForScript(Script s, std::uint16_t lidFE) {
  switch (s) {
    case Script::kCyrillic: return kRussian;
    case Script::kGreek: return kGreek;
    case Script::kHebrew: return kHebrew;
    case Script::kArabic: return kArabic;
    case Script::kThai: return kThai;
    case Script::kKana: return kJapanese;
    case Script::kHangul: return kKorean;
    case Script::kHan:
    case Script::kOtherEastAsian:
      return LanguageFitsScript(lidFE, Script::kHan) ? lidFE : kChineseSimplified;
    default: return 0;
  }
}

}  // namespace wordfilt
