// The paragraph properties that matter for text: table marks and list
// membership (Word 6: automatic numbering), read from a paragraph run's property list.
#pragma once

#include <cstdint>

#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/fib.h"

namespace wordfilt {

struct ParaFlags {
  bool rowEnd = false;
  bool innerRowEnd = false;
  bool innerCell = false;
  bool hasIlfo = false;
  bool hasIlvl = false;
  std::uint16_t ilfo = 0;
  std::uint8_t ilvl = 0;
  // Word 6 automatic numbering: the level (1-9 outline, 10 numbered,
  // 11 bulleted, 12 skipped) and its description (the sprm operand).
  bool hasAutoLevel = false;
  std::uint8_t autoLevel = 0;
  ByteSpan autoDescription;
};

ParaFlags ReadParagraphFlags(ByteSpan grpprl, WordVersion version);

}  // namespace wordfilt
