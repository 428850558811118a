#include "wordfilt/doc/section_outlines.h"

#include <algorithm>

#include "wordfilt/doc/sprm.h"

namespace wordfilt {
namespace {

constexpr std::uint32_t kSedSize = 12;
constexpr std::uint32_t kNoSepx = 0xFFFFFFFFu;

// `budget` bounds the bytes of property lists read over all sections, so that
// many sections sharing one long list cannot take long.
void ReadSepx(ByteSpan doc, std::uint32_t fcSepx, std::uint64_t& budget, SectionOutline& s) {
  std::uint16_t cb = 0;
  if (fcSepx == kNoSepx || !doc.U16(fcSepx, cb) || cb > budget) return;
  budget -= cb;
  SprmReader reader(doc.Sub(fcSepx + 2ull, cb), WordVersion::kWord6);
  Sprm sprm;
  while (reader.Next(sprm)) {
    if (sprm.opcode == sprm6::kSOlstAnm) s.present = ReadOutline(sprm.operand, s.outline);
  }
}

}  // namespace

std::vector<SectionOutline> ReadSectionOutlines(ByteSpan wordDocument, const Fib& fib,
                                                std::size_t maxSections) {
  std::vector<SectionOutline> sections;
  if (fib.version != WordVersion::kWord6) return sections;
  const ByteSpan plc = wordDocument.Sub(fib.plcfSed.fc, fib.plcfSed.lcb);
  if (plc.size() < 4 + 4 + kSedSize) return sections;
  const std::size_t n = std::min<std::size_t>((plc.size() - 4) / (4 + kSedSize), maxSections);
  const std::uint64_t seds = 4ull * ((plc.size() - 4) / (4 + kSedSize) + 1);
  std::uint64_t budget = wordDocument.size();
  sections.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    sections[i].cpEnd = plc.U32Or0(4ull * (i + 1));
    ReadSepx(wordDocument, plc.U32Or0(seds + kSedSize * i + 2), budget, sections[i]);
  }
  return sections;
}

}  // namespace wordfilt
