#include "wordfilt/doc/stylesheet.h"

#include "wordfilt/doc/sprm.h"

namespace wordfilt {
namespace {

constexpr std::uint16_t kNoStyle = 0xFFF;
constexpr int kMaxDepth = 16;  // style chains deeper than this are damaged (or loops)
constexpr std::uint8_t kParagraphStyle = 1;
constexpr std::uint8_t kCharacterStyle = 2;

}  // namespace

void Stylesheet::Load(ByteSpan table, const Fib& fib) {
  styles_.clear();
  defaults_ = RunProps();
  version_ = fib.version;
  const ByteSpan stsh = table.Sub(fib.stshf.fc, fib.stshf.lcb);
  std::uint16_t cbStshi = 0;
  if (!stsh.U16(0, cbStshi)) return;
  const ByteSpan stshi = stsh.Sub(2, cbStshi);
  std::uint16_t cstd = 0;
  std::uint16_t baseSize = 0;
  if (!stshi.U16(0, cstd) || !stshi.U16(2, baseSize)) return;
  // Each style takes at least its two-byte length, which bounds cstd by the data.
  std::uint64_t at = 2ull + cbStshi;
  if (cstd > (stsh.size() - at) / 2) cstd = static_cast<std::uint16_t>((stsh.size() - at) / 2);
  // The document's default font follows the counts in the header.
  defaults_.font = stshi.U16Or0(12);
  styles_.resize(cstd);
  for (std::size_t i = 0; i < cstd; ++i) {
    std::uint16_t cbStd = 0;
    if (!stsh.U16(at, cbStd)) break;
    if (cbStd != 0) ReadStyle(stsh.Sub(at + 2, cbStd), baseSize, i);
    at += 2ull + cbStd;
  }
  for (Style& s : styles_) ApplyCharSprms(s.chpx, version_, s.delta);
  for (std::size_t i = 0; i < styles_.size(); ++i) Resolve(static_cast<std::uint16_t>(i), 0);
}

void Stylesheet::ReadStyle(ByteSpan std, std::uint16_t baseSize, std::size_t index) {
  if (std.size() < baseSize || baseSize < 8) return;
  Style& style = styles_[index];
  const std::uint16_t kindAndBase = std.U16Or0(2);
  const std::uint16_t cupx = std.U16Or0(4) & 0x0F;
  style.kind = kindAndBase & 0x0F;
  style.base = kindAndBase >> 4;
  // The name: Word 97 counts UTF-16 units with a two-byte length, Word 6 bytes with one.
  std::uint64_t at = baseSize;
  if (version_ == WordVersion::kWord6) {
    at += 1ull + std.U8Or0(at) + 1;
  } else {
    at += 2ull + 2ull * std.U16Or0(at) + 2;
  }
  // Property lists follow, each padded to an even offset.
  for (std::uint16_t u = 0; u < cupx; ++u) {
    if (at & 1) ++at;
    std::uint16_t cb = 0;
    if (!std.U16(at, cb)) return;
    const ByteSpan upx = std.Sub(at + 2, cb);
    if (upx.size() != cb) return;
    // Paragraph styles hold the paragraph list first, then the character list.
    const bool isChpx =
        (style.kind == kParagraphStyle && u == 1) || (style.kind == kCharacterStyle && u == 0);
    if (isChpx) style.chpx = upx;
    if (style.kind == kParagraphStyle && u == 0) style.papx = upx.Sub(2, upx.size() - 2u);
    at += 2ull + cb;
  }
}

const RunProps& Stylesheet::Resolve(std::uint16_t istd, int depth) {
  if (istd >= styles_.size() || depth > kMaxDepth) return defaults_;
  Style& s = styles_[istd];
  if (s.state == State::kDone) return s.props;
  if (s.state == State::kResolving) return defaults_;  // a loop in the base chain
  s.state = State::kResolving;
  RunProps base = defaults_;
  StyleList list;
  if (s.base != kNoStyle && s.base != istd) {
    base = Resolve(s.base, depth + 1);
    if (s.base < styles_.size()) list = styles_[s.base].list;
  }
  s.props = Layer(base, s.delta);
  ReadList(s.papx, list);
  s.list = list;
  s.state = State::kDone;
  return s.props;
}

void Stylesheet::ReadList(ByteSpan papx, StyleList& list) const {
  if (version_ != WordVersion::kWord97 && version_ != WordVersion::kWord6) return;
  SprmReader reader(papx, version_);
  Sprm sprm;
  while (reader.Next(sprm)) {
    if (version_ == WordVersion::kWord6) {
      if (sprm.opcode == sprm6::kPNLvlAnm) list.autoLevel = sprm.operand.U8Or0(0);
      if (sprm.opcode == sprm6::kPAnld) list.autoDescription = sprm.operand;
      continue;
    }
    if (sprm.opcode == sprm::kPIlfo) list.ilfo = sprm.operand.U16Or0(0);
    if (sprm.opcode == sprm::kPIlvl) list.ilvl = sprm.operand.U8Or0(0);
  }
}

const RunProps& Stylesheet::Paragraph(std::uint16_t istd) const {
  if (istd >= styles_.size()) return defaults_;
  return styles_[istd].props;
}

const StyleList& Stylesheet::ParagraphList(std::uint16_t istd) const {
  if (istd >= styles_.size()) return noList_;
  return styles_[istd].list;
}

RunProps Stylesheet::ApplyCharacterStyle(std::uint16_t istd, const RunProps& base) const {
  // Character styles build on their own bases; the chain ends at the default
  // paragraph font, which sets nothing. Collect the chain, then apply from the root.
  const Style* chain[kMaxDepth];
  int n = 0;
  std::uint16_t at = istd;
  while (at < styles_.size() && n < kMaxDepth && styles_[at].kind == kCharacterStyle) {
    chain[n++] = &styles_[at];
    if (styles_[at].base == at) break;
    at = styles_[at].base;
  }
  RunProps r = base;
  for (int i = n - 1; i >= 0; --i) r = Layer(r, chain[i]->delta);
  return r;
}

}  // namespace wordfilt
