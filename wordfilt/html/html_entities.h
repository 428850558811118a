// Character references in HTML text: named entities and numeric references.
#pragma once

#include <cstddef>
#include <string_view>

namespace wordfilt {

constexpr std::size_t kMaxEntityName = 32;

// Reads the reference at the start of `s` (which starts with '&'). Returns
// the bytes it takes (0 when it is no reference: the '&' is then text) and
// puts its UTF-16 text (1 or 2 units) into `out`.
std::size_t DecodeCharacterReference(std::string_view s, char16_t out[2], std::size_t* units);

}  // namespace wordfilt
