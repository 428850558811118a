// JSON Lines output: strings escaped as JSON wants them, text decoded to UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace doctext {

// Appends `text` as a quoted JSON string. Bytes that are not UTF-8 (a file
// name in another encoding, a stray byte) become U+FFFD, so the output is
// always valid UTF-8 and valid JSON.
void AppendJsonString(std::string_view text, std::string* out);

// Appends the text that the plug-in delivered in code-page mode `mode` as
// UTF-8: UTF-8 as it is, UTF-16LE (mode -3) and code pages decoded. False for
// a mode whose bytes cannot be decoded (-1: pieces in different code pages)
// or a code page the system cannot decode.
bool DecodeToUtf8(long mode, std::string_view bytes, std::string* out);

}  // namespace doctext
