// Numbered and bulleted lists: the number text Word shows in front of a list
// paragraph ("1.", "a)", "2.1.3", a bullet), counted the way Word counts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/fib.h"

namespace wordfilt {

class FontTable;

constexpr int kListLevels = 9;

// How one level of a list shows its number.
struct ListLevel {
  std::int32_t start = 1;
  std::uint8_t format = 0;        // nfc (number_format.h)
  bool legal = false;             // show every level as a decimal number
  bool noRestart = false;         // restarts only after levels 0 to restartLimit - 1,
  std::uint8_t restartLimit = 0;  // so never when 0
  std::uint8_t follow = 0;        // 0 tab, 1 space, 2 nothing
  std::u16string text;            // level placeholders are characters 0-8
  std::array<std::uint8_t, kListLevels> placeholders{};  // 1-based positions in text
};

class ListNumbering {
 public:
  static constexpr int kLevels = kListLevels;

  // Reads the list definitions and overrides (Word 97 and later only).
  void Load(ByteSpan table, const Fib& fib, const FontTable& fonts);

  // Counts a paragraph of list override `ilfo` (1-based, as paragraphs name
  // it) at `level` and appends its number text and the character that follows
  // it to `out`. Appends nothing for paragraphs that are not in a list.
  void Next(std::uint16_t ilfo, std::uint8_t level, std::u16string& out);

  // Starts every count afresh, as a new story (notes, a header) does.
  void Restart();

  std::size_t lists() const { return lists_.size(); }

 private:
  using Level = ListLevel;
  struct List {
    std::uint32_t lsid = 0;
    std::vector<Level> levels;  // 1 or 9
    std::array<std::int32_t, kLevels> counters{};
    std::array<bool, kLevels> started{};
  };
  struct Override {
    std::size_t list = 0;
    std::array<bool, kLevels> restart{};          // the level starts anew where first used
    std::array<std::int32_t, kLevels> startAt{};  // and at this number, then and after
    std::vector<std::pair<int, Level>> levels;    // replaced level formats
    bool used = false;
  };

  const Level& LevelOf(const Override& o, const List& list, int level) const;
  std::int32_t StartOf(const Override& o, const List& list, int level) const;
  void BeginOverride(Override& o, List& list) const;
  void Count(const Override& o, List& list, int level) const;
  // Lets the levels below `level` start again, each as its restart setting says.
  void RestartBelow(const Override& o, List& list, int level) const;

  std::vector<List> lists_;
  std::vector<Override> overrides_;
};

}  // namespace wordfilt
