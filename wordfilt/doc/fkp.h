// Formatted disk pages (FKPs): 512-byte pages of the WordDocument stream that
// attach character (CHPX) or paragraph (PAPX) property lists to byte ranges of
// the text. The bin tables in the table stream list the pages in text order.
#pragma once

#include <cstdint>
#include <vector>

#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/fib.h"

namespace wordfilt {

struct FkpRun {
  std::uint32_t fcStart = 0;
  std::uint32_t fcEnd = 0;  // exclusive
  std::uint16_t istd = 0;   // paragraph runs: the paragraph style
  ByteSpan grpprl;          // the run's property list (may be empty)
};

enum class FkpKind { kChpx, kPapx };

// Collects the runs of every page the bin table `plcfBte` lists, in ascending
// and non-overlapping fc order. Pages that are out of range, repeated or out of
// order are skipped, so the work is bounded by the stream sizes.
void ReadFkpRuns(FkpKind kind, ByteSpan wordDocument, ByteSpan table, const FcLcb& plcfBte,
                 WordVersion version, std::vector<FkpRun>& out);

// Index of the run that holds byte offset fc, or -1.
long FindRun(const std::vector<FkpRun>& runs, std::uint32_t fc);

}  // namespace wordfilt
