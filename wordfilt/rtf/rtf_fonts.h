// The font table of an RTF document: which encoding each font's text is in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace wordfilt {

enum class RtfFontKind : std::uint8_t {
  kText,     // bytes in a code page
  kSymbol,   // the Symbol font: Greek letters and signs at their own places
  kPicture,  // another symbol font (dingbats): nothing a reader can search
};

struct RtfEncoding {
  RtfFontKind kind = RtfFontKind::kText;
  std::uint32_t codePage = 1252;
};

class RtfFonts {
 public:
  // Starts the description of font `number` in the font table.
  void Define(std::int32_t number);
  void SetCharset(std::int32_t charset);
  void SetCodePage(std::int32_t codePage);
  // Bytes of the font's name; a ';' ends it.
  void NameBytes(const std::uint8_t* data, std::size_t size);

  // The encoding of text in font `number` (a font not in the table: the
  // document's code page).
  RtfEncoding EncodingOf(std::int32_t number, std::uint32_t documentCodePage) const;

 private:
  struct Font {
    std::uint8_t charset = 1;  // the default set: the document's code page
    std::uint32_t codePage = 0;
    std::string name;
    bool named = false;
  };
  Font* defining_ = nullptr;
  std::unordered_map<std::int32_t, Font> fonts_;
};

}  // namespace wordfilt
