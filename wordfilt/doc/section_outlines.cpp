#include "wordfilt/doc/section_outlines.h"

#include "wordfilt/doc/sections.h"
#include "wordfilt/doc/sprm.h"

namespace wordfilt {

std::vector<SectionOutline> ReadSectionOutlines(ByteSpan wordDocument, const Fib& fib,
                                                std::size_t maxSections) {
  std::vector<SectionOutline> sections;
  if (fib.version != WordVersion::kWord6) return sections;
  const ByteSpan plc = wordDocument.Sub(fib.plcfSed.fc, fib.plcfSed.lcb);
  sections.resize(std::min<std::size_t>(maxSections, plc.size() / 4));
  const std::size_t n = VisitSectionSprms(
      wordDocument, plc, fib.version, maxSections, [&](std::size_t i, const Sprm& s) {
        if (s.opcode != sprm6::kSOlstAnm) return;
        sections[i].present = ReadOutline(s.operand, sections[i].outline);
      });
  sections.resize(n);
  for (std::size_t i = 0; i < n; ++i) sections[i].cpEnd = plc.U32Or0(4ull * (i + 1));
  return sections;
}

}  // namespace wordfilt
