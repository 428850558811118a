// The position lists (PLCs) of the table stream: n + 1 ascending character
// positions followed by n data items of a fixed size.
#pragma once

#include <cstdint>
#include <vector>

#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/fib.h"

namespace wordfilt {

// Reads the positions of the PLC at `plc` into `cps` (n + 1 of them). False,
// with `cps` empty, when the PLC is missing, too short or not ascending.
bool ReadPlcCps(ByteSpan table, const FcLcb& plc, std::uint32_t dataSize,
                std::vector<std::uint32_t>& cps);

// Offset of the i-th data item of a PLC with n + 1 positions.
inline std::uint64_t PlcDataOffset(std::size_t positions, std::uint32_t dataSize, std::size_t i) {
  return 4ull * positions + std::uint64_t{dataSize} * i;
}

}  // namespace wordfilt
