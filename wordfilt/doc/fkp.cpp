#include "wordfilt/doc/fkp.h"

#include <algorithm>

namespace wordfilt {
namespace {

constexpr std::uint32_t kPageSize = 512;
constexpr std::uint32_t kPnMask = 0x3FFFFF;

// What a page lists for each run after the run's fc, in 2-byte units from the
// page start: where its property list lies (0 for none). Paragraph entries
// (BX) add layout hints, which text extraction does not need.
struct ChpxEntry {
  std::uint8_t bOffset;
};
struct PapxEntryWord6 {
  std::uint8_t bOffset;
  std::uint8_t phe[6];
};
struct PapxEntryWord97 {
  std::uint8_t bOffset;
  std::uint8_t phe[12];
};
static_assert(sizeof(ChpxEntry) == 1 && sizeof(PapxEntryWord6) == 7 &&
                  sizeof(PapxEntryWord97) == 13,
              "FKP entries are 1, 7 and 13 bytes");

// Reads the paragraph style and property list at `offset` of a page; false
// when they do not fit it. Inline: called in each page reader's loop.
inline bool ReadPapx(ByteSpan page, std::uint32_t offset, WordVersion version, FkpRun& run) {
  std::uint8_t cb = 0;
  if (!page.U8(offset, cb)) return false;
  std::uint64_t start = offset + 1ull;
  std::uint64_t length = 0;
  if (version == WordVersion::kWord6) {
    length = 2ull * cb;
  } else if (cb != 0) {
    length = 2ull * cb - 1;
  } else {
    std::uint8_t cb2 = 0;
    if (!page.U8(offset + 1ull, cb2)) return false;
    start = offset + 2ull;
    length = 2ull * cb2;
  }
  // The last byte of the page holds the run count, never property data.
  if (length < 2 || start + length > kPageSize - 1) return false;
  const ByteSpan data = page.Sub(start, length);
  run.istd = data.U16Or0(0);
  run.grpprl = data.Sub(2, length - 2);
  return true;
}

// A page: crun + 1 fcs, crun entries, property lists, and crun in its last byte.
template <typename Entry>
void ReadPage(FkpKind kind, ByteSpan page, WordVersion version, std::vector<FkpRun>& out) {
  const std::uint8_t crun = page.U8Or0(kPageSize - 1);
  const std::uint32_t entries = 4u * (crun + 1u);
  if (crun == 0 || entries + sizeof(Entry) * crun > kPageSize - 1) return;
  for (std::uint32_t i = 0; i < crun; ++i) {
    FkpRun run;
    run.fcStart = page.U32Or0(4ull * i);
    run.fcEnd = page.U32Or0(4ull * (i + 1));
    if (run.fcEnd <= run.fcStart) continue;
    if (!out.empty() && run.fcStart < out.back().fcEnd) continue;
    Entry entry;
    page.Read(entries + sizeof(Entry) * i, entry);
    const std::uint32_t offset = 2u * entry.bOffset;
    if (offset != 0) {
      if (kind == FkpKind::kChpx) {
        const std::uint8_t cb = page.U8Or0(offset);
        if (offset + 1u + cb <= kPageSize - 1) run.grpprl = page.Sub(offset + 1ull, cb);
      } else if (!ReadPapx(page, offset, version, run)) {
        run = FkpRun{run.fcStart, run.fcEnd, 0, ByteSpan()};
      }
    }
    out.push_back(run);
  }
}

}  // namespace

void ReadFkpRuns(FkpKind kind, ByteSpan wordDocument, ByteSpan table, const FcLcb& plcfBte,
                 WordVersion version, std::vector<FkpRun>& out) {
  out.clear();
  const ByteSpan plc = table.Sub(plcfBte.fc, plcfBte.lcb);
  const std::uint32_t pnSize = version == WordVersion::kWord6 ? 2 : 4;
  if (plc.size() < 4 + 4 + pnSize) return;
  const std::size_t n = (plc.size() - 4) / (4 + pnSize);
  const std::size_t pages = wordDocument.size() / kPageSize;
  std::vector<bool> seen(pages, false);
  const std::uint64_t pnBase = 4ull * (n + 1);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t pn =
        pnSize == 2 ? plc.U16Or0(pnBase + 2ull * i) : (plc.U32Or0(pnBase + 4ull * i) & kPnMask);
    if (pn >= pages || seen[pn]) continue;
    seen[pn] = true;
    const ByteSpan page = wordDocument.Sub(std::uint64_t{pn} * kPageSize, kPageSize);
    if (kind == FkpKind::kChpx) {
      ReadPage<ChpxEntry>(kind, page, version, out);
    } else if (version == WordVersion::kWord6) {
      ReadPage<PapxEntryWord6>(kind, page, version, out);
    } else {
      ReadPage<PapxEntryWord97>(kind, page, version, out);
    }
  }
}

long FindRun(const std::vector<FkpRun>& runs, std::uint32_t fc) {
  auto it = std::upper_bound(runs.begin(), runs.end(), fc,
                             [](std::uint32_t v, const FkpRun& r) { return v < r.fcEnd; });
  if (it == runs.end() || fc < it->fcStart) return -1;
  return static_cast<long>(it - runs.begin());
}

}  // namespace wordfilt
