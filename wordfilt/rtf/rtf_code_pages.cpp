#include "wordfilt/rtf/rtf_code_pages.h"

namespace wordfilt {
namespace {

constexpr std::size_t kMaxPages = 32;

}  // namespace

bool RtfCodePages::IsDoubleByte(std::uint32_t codePage) {
  return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 ||
         codePage == 1361;
}

const RtfCodePages::Table& RtfCodePages::SingleByte(std::uint32_t codePage) {
  for (const Page& p : pages_) {
    if (p.codePage == codePage) return p.table;
  }
  // Few pages per document: a short list beats a map. A document naming
  // hundreds of pages is damaged; the rest read as Windows-1252.
  if (pages_.size() >= kMaxPages && codePage != 1252) return SingleByte(1252);
  std::u16string bytes(256, u'\0');
  for (unsigned b = 0; b < 256; ++b) bytes[b] = static_cast<char16_t>(b);
  wide_.clear();
  decoder_.Decode(IsDoubleByte(codePage) ? 1252 : codePage, bytes.data(), bytes.size(), wide_);
  Page page;
  page.codePage = codePage;
  for (unsigned b = 0; b < 256 && b < wide_.size(); ++b) page.table[b] = wide_[b];
  pages_.push_back(page);
  return pages_.back().table;
}

void RtfCodePages::DecodeRun(std::uint32_t codePage, const std::string& bytes,
                             std::u16string& out) {
  wide_.assign(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    wide_[i] = static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]));
  }
  decoder_.Decode(codePage, wide_.data(), wide_.size(), out);
}

}  // namespace wordfilt
