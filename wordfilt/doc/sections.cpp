#include "wordfilt/doc/sections.h"

#include <algorithm>

#include "wordfilt/doc/sprm.h"

namespace wordfilt {
namespace {

constexpr std::uint32_t kSedSize = 12;
constexpr std::uint32_t kNoSepx = 0xFFFFFFFFu;
constexpr std::uint16_t kSFTitlePage97 = 0x300A;
constexpr std::uint16_t kSFTitlePage6 = 143;
constexpr std::uint64_t kDopPages = 46;

}  // namespace

std::size_t VisitSectionSprms(ByteSpan wordDocument, ByteSpan plc, WordVersion version,
                              std::size_t maxSections,
                              const std::function<void(std::size_t, const Sprm&)>& visit) {
  if (plc.size() < 4 + 4 + kSedSize) return 0;
  const std::size_t n = (plc.size() - 4) / (4 + kSedSize);
  const std::uint64_t seds = 4ull * (n + 1);
  std::uint64_t budget = wordDocument.size();
  const std::size_t count = std::min(n, maxSections);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t fcSepx = plc.U32Or0(seds + kSedSize * i + 2);
    std::uint16_t cb = 0;
    if (fcSepx == kNoSepx || !wordDocument.U16(fcSepx, cb) || cb > budget) continue;
    budget -= cb;
    SprmReader reader(wordDocument.Sub(fcSepx + 2ull, cb), version);
    Sprm s;
    while (reader.Next(s)) visit(i, s);
  }
  return count;
}

HeaderUse ReadHeaderUse(ByteSpan wordDocument, ByteSpan table, const Fib& fib,
                        std::size_t maxSections) {
  HeaderUse use;
  const ByteSpan dop = table.Sub(fib.dop.fc, fib.dop.lcb);
  use.facingPages = (dop.U8Or0(0) & 1) != 0;
  if (fib.version == WordVersion::kWord97) use.pages = dop.U16Or0(kDopPages);
  const ByteSpan plc = table.Sub(fib.plcfSed.fc, fib.plcfSed.lcb);
  const std::uint16_t wanted = fib.version == WordVersion::kWord6 ? kSFTitlePage6 : kSFTitlePage97;
  std::vector<bool> title(std::min<std::size_t>(maxSections, plc.size() / (4 + kSedSize)));
  const std::size_t n = VisitSectionSprms(wordDocument, plc, fib.version, maxSections,
                                          [&](std::size_t i, const Sprm& s) {
                                            if (s.opcode == wanted)
                                              title[i] = s.operand.U8Or0(0) != 0;
                                          });
  title.resize(n);
  use.titlePage = std::move(title);
  return use;
}

}  // namespace wordfilt
