// UTF-16 to UTF-8 for the tool's output files.
#pragma once

#include <string>
#include <string_view>

namespace wordtext {

// Appends the UTF-8 form of text; unpaired surrogates become U+FFFD.
void AppendUtf8(std::u16string_view text, std::string& out);

}  // namespace wordtext
