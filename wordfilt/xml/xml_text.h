// Character-level helpers of the XML reader: entity and character references,
// and UTF-8 to UTF-16 for the readers that hand text on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wordfilt::xml {

// True when `raw` holds a reference or a character that XML normalises
// (a carriage return; in attribute values also tabs and line feeds).
bool NeedsUnescape(std::string_view raw, bool attribute);

// Appends `raw` with the predefined entities and character references
// replaced. Unknown references stay as written; references to characters
// XML does not allow become U+FFFD.
void AppendUnescaped(std::string_view raw, std::string& out, bool attribute);

void AppendUtf8(char32_t c, std::string& out);

// Appends UTF-8 as UTF-16; malformed sequences become U+FFFD.
void AppendUtf16(std::string_view utf8, std::u16string& out);

}  // namespace wordfilt::xml
