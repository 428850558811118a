// The characters of a range of the text, decoded through the piece table into
// one buffer and cut into runs where a piece or a character run changes. A
// run keeps which property lists apply; its properties are resolved over a
// paragraph's when asked. The buffers are kept from one range to the next.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "wordfilt/doc/char_props.h"
#include "wordfilt/doc/document.h"

namespace wordfilt {

class CharRuns {
 public:
  using ByteMap = std::array<char16_t, 256>;
  struct Run {
    std::uint32_t start = 0;  // index of its first character in text()
    std::uint32_t fc = 0;     // byte offset of its first character
    std::uint8_t bytesPerChar = 1;
    std::int32_t chpx = -1;  // index into the character runs, or -1
    std::int32_t prm = -1;   // index of its piece's property delta, or -1
  };

  explicit CharRuns(const Document& doc);

  // Decodes [cpStart, cpEnd), replacing the range decoded before. Text past
  // the stream's end, or past as many characters as the stream has bytes
  // over all ranges, is left out and marks the result truncated.
  void Decode(std::uint32_t cpStart, std::uint32_t cpEnd);

  const char16_t* text() const { return raw_.get(); }
  std::size_t size() const { return size_; }
  std::size_t count() const { return runs_.size(); }
  const Run& operator[](std::size_t k) const { return runs_[k]; }
  // Index one past run k's last character.
  std::size_t End(std::size_t k) const {
    return k + 1 < runs_.size() ? runs_[k + 1].start : size();
  }
  // The run holding character i, looking forward from run k.
  std::size_t Seek(std::size_t k, std::size_t i) const {
    while (k + 1 < runs_.size() && runs_[k + 1].start <= i) ++k;
    return k;
  }
  // Byte offset of character i of run k.
  std::uint32_t FcOf(std::size_t k, std::size_t i) const {
    const Run& r = runs_[k];
    return r.fc + (static_cast<std::uint32_t>(i) - r.start) * r.bytesPerChar;
  }
  // Properties of run k in a paragraph whose style gives `paragraph`.
  RunProps Props(std::size_t k, const RunProps& paragraph) const {
    const Run& s = runs_[k];
    RunProps r = paragraph;
    if (s.chpx >= 0) {
      const CharDelta& d = tables_.chpxDeltas[static_cast<std::size_t>(s.chpx)];
      if (d.charStyle != 0xFFFF) r = tables_.styles.ApplyCharacterStyle(d.charStyle, r);
      r = Layer(r, d);
    }
    if (s.prm >= 0) r = Layer(r, prmDeltas_[static_cast<std::size_t>(s.prm)]);
    return r;
  }

  bool truncated() const { return truncated_; }

 private:
  void DecodePiece(const Piece& p, std::uint32_t cpStart, std::uint32_t cpEnd);
  void DecodeBytes(const std::uint8_t* p, std::size_t n, bool compressed);
  // Room for n more characters after size_, kept from one range to the next.
  void Reserve(std::size_t n);
  // The same, taken: size_ moves past them; where they start.
  char16_t* Grow(std::size_t n);

  const TextTables& tables_;
  ByteSpan doc_;
  const ByteMap* byteMap_ = nullptr;  // 8-bit text to UTF-16 (Word 6: bytes as they are)
  std::uint64_t budget_ = 0;          // characters left to decode
  bool truncated_ = false;

  // The decoded text; not a string, whose resizing would clear what is
  // written over at once.
  std::unique_ptr<char16_t[]> raw_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  std::vector<Run> runs_;
  std::vector<CharDelta> prmDeltas_;
};

}  // namespace wordfilt
