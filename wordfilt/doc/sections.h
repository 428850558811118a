// Section and document properties that decide which headers and footers a
// reader sees: a section shows its first-page header only when it has a title
// page, and even-page headers exist only in documents with facing pages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/fib.h"
#include "wordfilt/doc/sprm.h"

namespace wordfilt {

struct HeaderUse {
  bool facingPages = false;
  std::uint16_t pages = 0;      // page count Word recorded at the last save; 0 when unknown
  std::vector<bool> titlePage;  // per section; empty when the sections are unknown
};

// Calls `visit(i, sprm)` for each property of each of the first `maxSections`
// sections of the section table `plc` (their lists lie in the document
// stream) and returns how many sections there are, at most `maxSections`.
// The bytes of property lists read over all sections are bounded by the
// stream's size, so that many sections sharing one huge list cannot take long.
std::size_t VisitSectionSprms(ByteSpan wordDocument, ByteSpan plc, WordVersion version,
                              std::size_t maxSections,
                              const std::function<void(std::size_t, const Sprm&)>& visit);

// Reads at most `maxSections` sections.
HeaderUse ReadHeaderUse(ByteSpan wordDocument, ByteSpan table, const Fib& fib,
                        std::size_t maxSections);

}  // namespace wordfilt
