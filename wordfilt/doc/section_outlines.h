// The outline numbering of each section of a Word 6 document: how its
// paragraphs at outline levels 1-9 show their numbers.
#pragma once

#include <cstdint>
#include <vector>

#include "wordfilt/doc/anld.h"
#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/fib.h"

namespace wordfilt {

struct SectionOutline {
  std::uint32_t cpEnd = 0;  // the section ends before this CP
  bool present = false;     // the section defines its outline numbering
  Outline outline;
};

// Reads at most `maxSections` sections (Word 6 files only; empty otherwise).
std::vector<SectionOutline> ReadSectionOutlines(ByteSpan wordDocument, const Fib& fib,
                                                std::size_t maxSections);

}  // namespace wordfilt
