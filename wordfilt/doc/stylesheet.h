// The style sheet: paragraph and character styles with their character
// property lists, resolved through their base styles when loaded.
#pragma once

#include <cstdint>
#include <vector>

#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/char_props.h"
#include "wordfilt/doc/fib.h"

namespace wordfilt {

// List membership a paragraph style gives its paragraphs.
struct StyleList {
  std::uint16_t ilfo = 0;  // 0: not in a list
  std::uint8_t ilvl = 0;
  std::uint8_t autoLevel = 0;  // Word 6 automatic numbering (paragraph_flags.h)
  ByteSpan autoDescription;
};

class Stylesheet {
 public:
  // Reads the style sheet at fib.stshf of `table`. A missing or damaged one
  // leaves an empty sheet: every style then resolves to the defaults.
  void Load(ByteSpan table, const Fib& fib);

  // Properties of paragraph style istd (an unknown istd gives the defaults).
  const RunProps& Paragraph(std::uint16_t istd) const;
  const StyleList& ParagraphList(std::uint16_t istd) const;
  // Layers character style istd (and its bases) over base.
  RunProps ApplyCharacterStyle(std::uint16_t istd, const RunProps& base) const;

  std::size_t size() const { return styles_.size(); }

 private:
  enum class State : std::uint8_t { kNew, kResolving, kDone };
  struct Style {
    std::uint8_t kind = 0;  // 1 paragraph, 2 character
    std::uint16_t base = 0xFFF;
    ByteSpan chpx;
    CharDelta delta;  // chpx, parsed
    ByteSpan papx;    // paragraph styles: the paragraph property list
    State state = State::kNew;
    RunProps props;  // the style's properties after its bases
    StyleList list;
  };
  const RunProps& Resolve(std::uint16_t istd, int depth);
  // Layers the list settings of a paragraph style's property list over `list`.
  void ReadList(ByteSpan papx, StyleList& list) const;
  void ReadStyle(ByteSpan std, std::uint16_t baseSize, std::size_t index);

  std::vector<Style> styles_;
  WordVersion version_ = WordVersion::kWord97;
  RunProps defaults_;
  StyleList noList_;
};

}  // namespace wordfilt
