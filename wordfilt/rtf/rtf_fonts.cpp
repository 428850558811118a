#include "wordfilt/rtf/rtf_fonts.h"

#include "wordfilt/doc/fonts.h"

namespace wordfilt {
namespace {

// Real documents have some dozens of fonts; more is damage or an attack on memory.
constexpr std::size_t kMaxFonts = 16384;
constexpr std::size_t kMaxName = 64;
constexpr std::uint8_t kSymbolCharset = 2;

}  // namespace

void RtfFonts::Define(std::int32_t number) {
  defining_ = nullptr;
  auto it = fonts_.find(number);
  if (it == fonts_.end()) {
    if (fonts_.size() >= kMaxFonts) return;
    it = fonts_.emplace(number, Font()).first;
  }
  it->second = Font();
  defining_ = &it->second;
}

void RtfFonts::SetCharset(std::int32_t charset) {
  if (defining_ && charset >= 0 && charset <= 255) {
    defining_->charset = static_cast<std::uint8_t>(charset);
  }
}

void RtfFonts::SetCodePage(std::int32_t codePage) {
  if (defining_ && codePage > 0) defining_->codePage = static_cast<std::uint32_t>(codePage);
}

void RtfFonts::NameBytes(const std::uint8_t* data, std::size_t size) {
  if (!defining_ || defining_->named) return;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == ';') {
      defining_->named = true;
      return;
    }
    if (defining_->name.size() < kMaxName) defining_->name.push_back(static_cast<char>(data[i]));
  }
}

RtfEncoding RtfFonts::EncodingOf(std::int32_t number, std::uint32_t documentCodePage) const {
  RtfEncoding e;
  e.codePage = documentCodePage;
  const auto it = fonts_.find(number);
  if (it == fonts_.end()) return e;
  const Font& f = it->second;
  std::size_t from = 0;
  std::size_t to = f.name.size();
  while (from < to && f.name[from] == ' ') ++from;
  while (to > from && f.name[to - 1] == ' ') --to;
  if (f.name.compare(from, to - from, "Symbol") == 0) {
    e.kind = RtfFontKind::kSymbol;
  } else if (f.charset == kSymbolCharset) {
    e.kind = RtfFontKind::kPicture;
  } else if (f.codePage != 0) {
    e.codePage = f.codePage;
  } else {
    e.codePage = CharsetCodePage(f.charset, documentCodePage);
  }
  return e;
}

}  // namespace wordfilt
