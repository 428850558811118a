// File paths that reach us as UTF-16 (component interfaces carry only wide
// strings) turned back into the bytes a POSIX call needs.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The library widens narrow paths byte by byte, so a string whose units are
// all <= 0xFF is narrowed the same way and names the original bytes. Any unit
// above 0xFF means a real UTF-16 string: it is encoded as UTF-8 (an unpaired
// surrogate becomes U+FFFD). Stops at the first NUL.
std::string NarrowPath(std::u16string_view path);

}  // namespace platform
