// Languages (Windows LCIDs) and scripts: which language slot of a run applies
// to a character, and which ANSI code page a language's text is written in.
#pragma once

#include <cstdint>

namespace wordfilt {

enum class Script : std::uint8_t {
  kNeutral,  // spaces, digits, punctuation, controls: take the language around them
  kLatin,    // Latin letters
  kCyrillic,
  kGreek,
  kHebrew,
  kArabic,
  kThai,
  kOtherComplex,  // other scripts Word counts as complex (Indic, Syriac, ...)
  kKana,
  kHangul,
  kHan,
  kOtherEastAsian,  // full-width forms, bopomofo, CJK symbols
  kOther,           // every other letter (Armenian, Georgian, ...)
};

Script ClassifyChar(char16_t c);
inline bool IsEastAsian(Script s) {
  return s == Script::kKana || s == Script::kHangul || s == Script::kHan ||
         s == Script::kOtherEastAsian;
}
inline bool IsComplex(Script s) {
  return s == Script::kHebrew || s == Script::kArabic || s == Script::kThai ||
         s == Script::kOtherComplex;
}

// The ANSI code page of a language; 0 for languages written only in Unicode.
std::uint32_t AnsiCodePage(std::uint16_t lid);

// True when a language's code page can hold the script's letters.
bool LanguageFitsScript(std::uint16_t lid, Script s);

// A language for text of script s when the document names none that fits
// (the document's own East-Asian language first for Han characters), or 0.
std::uint16_t LanguageForScript(Script s, std::uint16_t lidFE);

}  // namespace wordfilt
