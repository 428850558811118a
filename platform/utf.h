// UTF-16 to UTF-8, for paths, profile files and tools' output.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Appends the UTF-8 form of one code point.
void AppendUtf8(char32_t c, std::string* out);
// Appends the UTF-8 form of UTF-16 text; an unpaired surrogate becomes U+FFFD.
void AppendUtf8(std::u16string_view text, std::string* out);

}  // namespace platform
