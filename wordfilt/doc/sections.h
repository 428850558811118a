// Section and document properties that decide which headers and footers a
// reader sees: a section shows its first-page header only when it has a title
// page, and even-page headers exist only in documents with facing pages.
#pragma once

#include <cstdint>
#include <vector>

#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/fib.h"

namespace wordfilt {

struct HeaderUse {
  bool facingPages = false;
  std::uint16_t pages = 0;      // page count Word recorded at the last save; 0 when unknown
  std::vector<bool> titlePage;  // per section; empty when the sections are unknown
};

// Reads at most `maxSections` sections.
HeaderUse ReadHeaderUse(ByteSpan wordDocument, ByteSpan table, const Fib& fib,
                        std::size_t maxSections);

}  // namespace wordfilt
