// Language tags as documents name languages ("en-US", "de-DE", Word 2003's
// "EN-US") to the Windows LCIDs chunks carry.
#pragma once

#include <cstdint>
#include <string_view>

namespace wordfilt {

// The LCID of a tag; a tag of a known language with an unknown region gets
// the language's main LCID; 0 for tags we do not know.
std::uint32_t LcidFromTag(std::string_view tag);

}  // namespace wordfilt
