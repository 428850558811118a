#include "wordfilt/doc/plc.h"

namespace wordfilt {

bool ReadPlcCps(ByteSpan table, const FcLcb& plc, std::uint32_t dataSize,
                std::vector<std::uint32_t>& cps) {
  const ByteSpan p = table.Sub(plc.fc, plc.lcb);
  cps.clear();
  if (p.size() < 8 + dataSize) return false;
  const std::size_t n = (p.size() - 4) / (4 + dataSize);
  cps.resize(n + 1);
  for (std::size_t i = 0; i <= n; ++i) {
    cps[i] = p.U32Or0(4ull * i);
    if (i > 0 && cps[i] < cps[i - 1]) {
      cps.clear();
      return false;
    }
  }
  return true;
}

}  // namespace wordfilt
