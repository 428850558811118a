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

// `budget` bounds the bytes of property lists read over all sections, so that
// many sections sharing (or overlapping) one huge list cannot take long.
bool TitlePage(ByteSpan wordDocument, std::uint32_t fcSepx, WordVersion version,
               std::uint64_t& budget) {
  if (fcSepx == kNoSepx) return false;
  std::uint16_t cb = 0;
  if (!wordDocument.U16(fcSepx, cb) || cb > budget) return false;
  budget -= cb;
  SprmReader reader(wordDocument.Sub(fcSepx + 2ull, cb), version);
  const std::uint16_t wanted = version == WordVersion::kWord6 ? kSFTitlePage6 : kSFTitlePage97;
  bool on = false;
  Sprm s;
  while (reader.Next(s)) {
    if (s.opcode == wanted) on = s.operand.U8Or0(0) != 0;
  }
  return on;
}

}  // namespace

HeaderUse ReadHeaderUse(ByteSpan wordDocument, ByteSpan table, const Fib& fib,
                        std::size_t maxSections) {
  HeaderUse use;
  const ByteSpan dop = table.Sub(fib.dop.fc, fib.dop.lcb);
  use.facingPages = (dop.U8Or0(0) & 1) != 0;
  if (fib.version == WordVersion::kWord97) use.pages = dop.U16Or0(kDopPages);
  const ByteSpan plc = table.Sub(fib.plcfSed.fc, fib.plcfSed.lcb);
  if (plc.size() < 4 + 4 + kSedSize) return use;
  const std::size_t n = (plc.size() - 4) / (4 + kSedSize);
  use.titlePage.resize(std::min(n, maxSections));
  const std::uint64_t seds = 4ull * (n + 1);
  std::uint64_t budget = wordDocument.size();
  for (std::size_t i = 0; i < use.titlePage.size(); ++i) {
    const std::uint32_t fcSepx = plc.U32Or0(seds + kSedSize * i + 2);
    use.titlePage[i] = TitlePage(wordDocument, fcSepx, fib.version, budget);
  }
  return use;
}

}  // namespace wordfilt
