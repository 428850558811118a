// The state an RTF group carries: where its text goes and how to read it.
// Each group starts with a copy of its parent's and drops it at its end.
#pragma once

#include <cstdint>

#include "wordfilt/rtf/rtf_code_pages.h"
#include "wordfilt/rtf/rtf_fonts.h"
#include "wordfilt/rtf/rtf_output.h"

namespace wordfilt {

enum class RtfDest : std::uint8_t {
  kText,       // text of a story
  kSkip,       // nothing in the group is text
  kFontTable,  // font definitions
  kInfo,       // properties; text outside them is dropped
  kProperty,   // the text of one property
  kUpr,        // an ANSI alternative: only its `\ud` counts
  kShape,      // a shape's properties: only its text counts
};

struct RtfState {
  RtfDest dest = RtfDest::kText;
  RtfDest uprOuter = RtfDest::kText;  // the destination `\ud` returns to
  std::uint8_t uc = 1;                // bytes of fallback after `\uN`
  bool hidden = false;
  bool deleted = false;
  std::uint8_t property = 0;
  std::uint32_t story = RtfOutput::kMainStory;
  std::int32_t font = -1;  // -1: the default font
  RtfLanguages langs;
  // Derived from the font: how its bytes read.
  RtfEncoding encoding;
  const RtfCodePages::Table* table = nullptr;  // for single-byte pages
};

}  // namespace wordfilt
