// Word 6 automatic numbering records: how one level of an automatic number
// looks (its format, start and the text around it), as a paragraph's own
// description or as one of the nine levels of a section's outline.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "wordfilt/doc/byte_span.h"

namespace wordfilt {

struct AutoLevel {
  std::uint8_t format = 0;  // nfc (number_format.h)
  bool previous = false;    // shows the shallower levels' numbers first
  bool space = false;       // a space goes before the number
  std::uint16_t font = 0;   // of the number and its text
  std::uint16_t startAt = 1;
  std::u16string before;  // bytes (0-255) in the number font's encoding
  std::u16string after;
};

constexpr int kOutlineLevels = 9;

struct Outline {
  std::array<AutoLevel, kOutlineLevels> levels;
  bool restartEachSection = false;
};

// Reads a paragraph's numbering description (the operand of its property,
// size byte included); false when it is too short to hold one.
bool ReadAutoLevel(ByteSpan operand, AutoLevel& level);
// Reads a section's outline numbering (the operand, size byte included).
bool ReadOutline(ByteSpan operand, Outline& outline);

}  // namespace wordfilt
