// Directory entry names compare without regard to case, as Windows compares
// them: both sides upper-cased unit by unit. Real files depend on it (streams
// stored as "worddocument", storages in odd case).
#pragma once

#include <string_view>

namespace platform::cfb {

// Upper case of one UTF-16 unit for the scripts that have case (Latin, Greek,
// Cyrillic, Armenian, full-width Latin); other units are returned unchanged.
char16_t UpcaseUnit(char16_t c);

bool NamesEqual(std::u16string_view a, std::u16string_view b);

// The order of a directory tree: shorter names first, then upper-cased units.
int CompareNames(std::u16string_view a, std::u16string_view b);

}  // namespace platform::cfb
