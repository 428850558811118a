// List numbers ("1.", "a)", "iv", bullets) from the list definitions of a
// document, counted paragraph by paragraph the way Word counts them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "wordfilt/xml/xml_reader.h"

namespace wordfilt::ooxml {

class Numbering {
 public:
  static constexpr int kLevels = 9;

  // Reads list definitions and instances from `reader` up to the end of the
  // element the reader is in (the numbering part's root, or Word 2003's
  // w:lists): abstractNum/num, or listDef/list.
  void Load(xml::Reader& reader);

  // Counts a paragraph of list instance `id` at `level` and appends its
  // number text and what follows it (a tab, a space or nothing) to `out`.
  void Next(std::string_view id, int level, std::u16string& out);

  bool empty() const { return instances_.empty(); }

 private:
  enum class Format : std::uint8_t {
    kDecimal,
    kUpperRoman,
    kLowerRoman,
    kUpperLetter,
    kLowerLetter,
    kOrdinal,
    kLeadingZero,
    kBullet,
    kNone
  };
  struct Level {
    std::int32_t start = 1;
    Format format = Format::kDecimal;
    bool legal = false;
    std::uint8_t follow = 0;  // 0 tab, 1 space, 2 nothing
    std::u16string text;      // placeholders are "%1".."%9"
    bool symbolFont = false;
  };
  struct Definition {
    std::array<Level, kLevels> levels{};
    std::array<std::int32_t, kLevels> counters{};
    std::array<bool, kLevels> started{};
  };
  struct Instance {
    std::string definition;
    std::array<bool, kLevels> restart{};
    std::array<std::int32_t, kLevels> startAt{};
    std::array<bool, kLevels> replaced{};
    std::array<Level, kLevels> levels{};
    bool used = false;
  };

  static Format FormatOf(std::string_view name);
  static Format FormatOfCode(std::string_view code);
  const Level& LevelOf(const Instance& instance, const Definition& d, int level) const;
  static void Append(std::int32_t n, Format format, std::u16string& out);
  static void Finish(Level& level);

  std::unordered_map<std::string, Definition> definitions_;
  std::unordered_map<std::string, Instance> instances_;
};

}  // namespace wordfilt::ooxml
