// Word 6 automatic numbering: the numbers of numbered lists, bulleted lists
// and outline levels, counted the way Word 6 counts them. Word 6 files have
// no list tables; each paragraph names its numbering level and carries a
// description of its number, and sections describe their outline levels.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "wordfilt/doc/anld.h"
#include "wordfilt/doc/document.h"
#include "wordfilt/doc/run_converter.h"
#include "wordfilt/doc/section_outlines.h"

namespace wordfilt {

// Numbering levels as paragraphs name them.
namespace autolevel {
constexpr std::uint8_t kNone = 0;
constexpr std::uint8_t kNumbered = 10;
constexpr std::uint8_t kBulleted = 11;
constexpr std::uint8_t kSkipped = 12;  // in the list, without a number of its own
}  // namespace autolevel

class AutoNumbers {
 public:
  explicit AutoNumbers(const Document& doc);

  // Starts every count afresh: each story counts its own.
  void Restart();
  // Counts a paragraph at CP `cp` at numbering `level` with its description
  // (may be empty) and appends its number text and a tab to `out`.
  void Next(std::uint8_t level, ByteSpan description, std::uint32_t cp, std::u16string& out);

 private:
  const AutoLevel& OutlineLevel(int k, ByteSpan description, std::uint32_t cp);
  void CountOutline(int k, const AutoLevel& def);
  void Numbered(ByteSpan description, std::u16string& out);
  void Bulleted(ByteSpan description, std::u16string& out);
  void Outlined(int k, ByteSpan description, std::uint32_t cp, std::u16string& out);
  // The level's text, `number` between its text before and after.
  void Compose(const AutoLevel& def, const std::u16string& number, std::u16string& out);
  // The bytes of `text` as characters of font `font`; pictures from symbol
  // fonts without a Unicode equivalent are left out.
  void Shown(const std::u16string& text, std::uint16_t font, std::u16string& out);

  const Document& doc_;
  RunConverter converter_;
  bool loaded_ = false;
  std::vector<SectionOutline> sections_;
  std::size_t section_ = 0;               // of the last outline paragraph
  std::uint8_t list_ = autolevel::kNone;  // the kind of list running
  std::int32_t count_ = 0;                // its count
  std::array<std::int32_t, kOutlineLevels> counters_{};
  std::array<bool, kOutlineLevels> started_{};
  AutoLevel description_;  // the last description read
  AutoLevel plain_;        // the look of levels without any description
  std::u16string number_;
};

}  // namespace wordfilt
