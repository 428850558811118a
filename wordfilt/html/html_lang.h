// Languages of web pages: the "lang" attribute's tags as Windows LCIDs.
#pragma once

#include <cstdint>
#include <string_view>

namespace wordfilt {

// The LCID of a language tag ("en-US", "PL", "zh-TW"); 0 when unknown.
std::uint32_t LcidFromLanguageTag(std::string_view tag);

}  // namespace wordfilt
