// The character properties that change what a reader sees: hidden and deleted
// text, the three language slots and symbol characters. A CharDelta records
// what one property list sets (and, for embedded objects, which object a
// picture character stands for); RunProps is the result after layering the
// paragraph style, the character style, the run's own list and the piece's.
#pragma once

#include <cstdint>
#include <vector>

#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/fib.h"

namespace wordfilt {

struct CharDelta {
  static constexpr std::uint8_t kUnset = 0xFF;
  std::uint8_t vanish = kUnset;  // 0, 1, 0x80 (as the style), 0x81 (inverse of the style)
  std::uint8_t deleted = kUnset;
  std::uint16_t lid = 0;  // Western language; 0 when not set
  std::uint16_t lidFE = 0;
  std::uint16_t lidBi = 0;
  std::uint16_t charStyle = 0xFFFF;  // 0xFFFF when not set
  std::uint16_t font = 0xFFFF;       // 0xFFFF when not set
  bool plain = false;                // reset to the paragraph style before the rest
  bool symbol = false;
  std::uint16_t symbolFont = 0;
  char16_t symbolChar = 0;
  std::uint8_t ole2 = kUnset;  // the picture character is an embedded object
  bool hasPicLocation = false;
  std::uint32_t picLocation = 0;  // for an object: its storage in the object pool

  bool Empty() const {
    return vanish == kUnset && deleted == kUnset && lid == 0 && lidFE == 0 && lidBi == 0 &&
           charStyle == 0xFFFF && font == 0xFFFF && !plain && !symbol && ole2 == kUnset &&
           !hasPicLocation;
  }
};

struct RunProps {
  bool hidden = false;
  bool deleted = false;
  std::uint16_t lid = 0;
  std::uint16_t lidFE = 0;
  std::uint16_t lidBi = 0;
  std::uint16_t font = 0;
  bool symbol = false;
  std::uint16_t symbolFont = 0;
  char16_t symbolChar = 0;
  bool ole2 = false;
  std::uint32_t picLocation = 0;
};

// Adds the character sprms of grpprl to delta; later sprms win.
void ApplyCharSprms(ByteSpan grpprl, WordVersion version, CharDelta& delta);

// The character properties of a piece's property modifier: a single sprm, or
// one of the CLX's property lists, given here already parsed.
CharDelta PrmDelta(std::uint16_t prm, const std::vector<CharDelta>& clxLists);

// Layers delta over base. Toggles 0x80/0x81 take or invert base's value.
RunProps Layer(const RunProps& base, const CharDelta& delta);

}  // namespace wordfilt
