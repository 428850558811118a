// Little-endian integers as they lie in files. They are byte arrays, so a
// record made of them has no padding and an alignment of 1, can be copied
// straight out of a buffer, and reads the same on any host.
#pragma once

#include <cstdint>

namespace platform {

struct Le16 {
  std::uint8_t b[2];
  operator std::uint16_t() const { return static_cast<std::uint16_t>(b[0] | (b[1] << 8)); }
};

struct Le32 {
  std::uint8_t b[4];
  operator std::uint32_t() const {
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
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
