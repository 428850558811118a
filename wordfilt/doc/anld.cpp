#include "wordfilt/doc/anld.h"

#include <algorithm>

namespace wordfilt {
namespace {

constexpr std::uint64_t kLevelSize = 16;
constexpr std::uint64_t kDescriptionText = kLevelSize + 4;  // after the table flags
constexpr std::uint64_t kDescriptionChars = 32;
constexpr std::uint64_t kOutlineText = kLevelSize * kOutlineLevels + 4;
constexpr std::uint64_t kOutlineChars = 64;

// [offset, offset + length) of s, cut short where s ends.
ByteSpan Clip(ByteSpan s, std::uint64_t offset, std::uint64_t length) {
  if (offset >= s.size()) return ByteSpan();
  return s.Sub(offset, std::min<std::uint64_t>(length, s.size() - offset));
}

// The level fields; its text counts are left for the caller to place.
AutoLevel ReadLevelFields(ByteSpan v, std::uint8_t& before, std::uint8_t& after) {
  AutoLevel level;
  level.format = v.U8Or0(0);
  before = v.U8Or0(1);
  after = v.U8Or0(2);
  level.previous = (v.U8Or0(3) & 0x04) != 0;
  level.space = (v.U8Or0(4) & 0x04) != 0;
  level.font = v.U16Or0(6);
  level.startAt = v.U16Or0(10);
  return level;
}

// Takes the level's text from `text` at `at`: what lies past the record's
// characters (or its operand) is left out.
void PlaceText(ByteSpan text, std::uint64_t at, std::uint8_t before, std::uint8_t after,
               AutoLevel& level) {
  const std::uint64_t n = text.size();
  const std::uint64_t beforeEnd = std::min<std::uint64_t>(at + before, n);
  const std::uint64_t afterEnd = std::min<std::uint64_t>(beforeEnd + after, n);
  for (std::uint64_t i = std::min(at, n); i < beforeEnd; ++i) level.before.push_back(text.U8Or0(i));
  for (std::uint64_t i = beforeEnd; i < afterEnd; ++i) level.after.push_back(text.U8Or0(i));
}

}  // namespace

bool ReadAutoLevel(ByteSpan operand, AutoLevel& level) {
  const ByteSpan d = Clip(operand, 1, operand.size());
  if (d.size() < kLevelSize) return false;
  std::uint8_t before = 0;
  std::uint8_t after = 0;
  level = ReadLevelFields(d.Sub(0, kLevelSize), before, after);
  const ByteSpan text = Clip(d, kDescriptionText, kDescriptionChars);
  PlaceText(text, 0, before, after, level);
  return true;
}

bool ReadOutline(ByteSpan operand, Outline& outline) {
  const ByteSpan d = Clip(operand, 1, operand.size());
  if (d.size() < kOutlineText) return false;
  outline.restartEachSection = d.U8Or0(kLevelSize * kOutlineLevels) != 0;
  // The levels' texts follow each other, the first level's first.
  const ByteSpan text = Clip(d, kOutlineText, kOutlineChars);
  std::uint64_t at = 0;
  for (int k = 0; k < kOutlineLevels; ++k) {
    std::uint8_t before = 0;
    std::uint8_t after = 0;
    AutoLevel& level = outline.levels[static_cast<std::size_t>(k)];
    level = ReadLevelFields(d.Sub(kLevelSize * static_cast<std::uint64_t>(k), kLevelSize), before,
                            after);
    PlaceText(text, at, before, after, level);
    at += before + after;
  }
  return true;
}

}  // namespace wordfilt
