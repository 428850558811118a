// Little-endian integers as they lie in files. They are byte arrays, so a
// record made of them has no padding and an alignment of 1, can be copied
// straight out of a buffer, and reads the same on any host.
#pragma once

#include <cstdint>
#include <cstring>

// On little-endian hosts a value is one plain load: the byte-wise form is not
// always merged into one when records are read in a loop.
#if defined(__BYTE_ORDER__) && defined(__ORDER_LITTLE_ENDIAN__) && \
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define DOCFLT_LITTLE_ENDIAN_HOST 1
#elif defined(_WIN32)
#define DOCFLT_LITTLE_ENDIAN_HOST 1
#else
#define DOCFLT_LITTLE_ENDIAN_HOST 0
#endif

namespace platform {

struct Le16 {
  std::uint8_t b[2];
  operator std::uint16_t() const {
#if DOCFLT_LITTLE_ENDIAN_HOST
    std::uint16_t v;
    std::memcpy(&v, b, sizeof v);
    return v;
#else
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
#endif
  }
};

struct Le32 {
  std::uint8_t b[4];
  operator std::uint32_t() const {
#if DOCFLT_LITTLE_ENDIAN_HOST
    std::uint32_t v;
    std::memcpy(&v, b, sizeof v);
    return v;
#else
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
#endif
  }
};

struct Le64 {
  Le32 low;
  Le32 high;
  operator std::uint64_t() const {
    return static_cast<std::uint64_t>(low) | (static_cast<std::uint64_t>(high) << 32);
  }
};

static_assert(sizeof(Le16) == 2 && alignof(Le16) == 1, "Le16 must be two plain bytes");
static_assert(sizeof(Le32) == 4 && alignof(Le32) == 1, "Le32 must be four plain bytes");
static_assert(sizeof(Le64) == 8 && alignof(Le64) == 1, "Le64 must be eight plain bytes");

}  // namespace platform
