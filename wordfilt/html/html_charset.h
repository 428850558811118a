// The charset a web page declares for itself.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wordfilt {

// The code page named by the page's first <meta charset>, <meta http-equiv=
// "Content-Type" content="...; charset=..."> or XML declaration, looked for
// before the body and within the first 16 KiB; 0 when there is none that
// this server can convert. A declared UTF-16 means UTF-8, as in browsers (a
// page whose bytes are UTF-16 starts with a byte-order mark).
std::uint32_t DeclaredCodePage(const std::uint8_t* data, std::size_t size);

}  // namespace wordfilt
