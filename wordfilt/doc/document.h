// A loaded Word document: its streams, file information block, piece table,
// property pages and styles, and the walk over a range of its characters.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "wordfilt/doc/char_props.h"
#include "wordfilt/doc/code_page_decoder.h"
#include "wordfilt/doc/document_text.h"
#include "wordfilt/doc/fib.h"
#include "wordfilt/doc/fkp.h"
#include "wordfilt/doc/fonts.h"
#include "wordfilt/doc/lists.h"
#include "wordfilt/doc/notes.h"
#include "wordfilt/doc/piece_table.h"
#include "wordfilt/doc/stream_source.h"
#include "wordfilt/doc/stylesheet.h"
#include "wordfilt/doc/text_builder.h"

namespace wordfilt {

class Document {
 public:
  LoadStatus Load(StreamSource& source);

  const Fib& fib() const { return fib_; }
  // The table stream (for Word 2 and 6, the document stream).
  ByteSpan table() const {
    return SingleStream(fib_.version) ? ByteSpan(wordDocument_) : ByteSpan(table_);
  }
  ByteSpan wordDocument() const { return ByteSpan(wordDocument_); }
  // End of the text the piece table and the FIB agree on.
  std::uint32_t CpLimit() const { return cpLimit_; }
  bool truncated() const { return truncated_; }

  // Sends the characters of [cpStart, cpEnd) with their properties to `out`.
  void Walk(std::uint32_t cpStart, std::uint32_t cpEnd, TextBuilder& out);
  // Starts list numbers afresh: each story (the notes, a header) counts its own.
  void RestartLists() { lists_.Restart(); }

 private:
  struct ParaFlags {
    bool rowEnd = false;
    bool innerRowEnd = false;
    bool innerCell = false;
    bool hasIlfo = false;
    bool hasIlvl = false;
    std::uint16_t ilfo = 0;
    std::uint8_t ilvl = 0;
  };
  // A run of decoded characters sharing one piece and one character run.
  struct Segment {
    std::uint32_t start = 0;  // index into raw_
    std::uint32_t fc = 0;     // byte offset of its first character
    std::uint8_t bytesPerChar = 1;
    std::int32_t chpx = -1;  // index into chpx_, or -1
    std::int32_t prm = -1;   // index into prmDeltas_, or -1
  };

  void Decode(std::uint32_t cpStart, std::uint32_t cpEnd);
  void DecodeBytes(const std::uint8_t* p, std::size_t n, bool compressed);
  RunProps Resolve(const Segment& s, const RunProps& paragraph) const;
  // Text of a run as Unicode: Word 6 bytes through their font's code page,
  // Symbol font characters to their Unicode equivalents. Null when unchanged.
  const char16_t* Convert(const char16_t* text, std::size_t n, RunProps& props);
  void ReadParagraphFlags();
  void BuildByteMap();

  ByteBuffer wordDocument_;
  ByteBuffer table_;  // empty when the file has none; Word 6: unused
  Fib fib_;
  PieceTable pieces_;
  std::vector<FkpRun> chpx_;
  std::vector<CharDelta> chpxDeltas_;  // parallel to chpx_
  std::vector<CharDelta> clxDeltas_;   // parallel to pieces_.grpprls
  std::vector<FkpRun> papx_;
  std::vector<ParaFlags> papxFlags_;  // parallel to papx_
  Stylesheet styles_;
  FontTable fonts_;
  ListNumbering lists_;
  bool listsLoaded_ = false;
  std::vector<NoteLabel> noteLabels_;    // sorted by cp
  std::array<char16_t, 256> byteMap_{};  // 8-bit text to UTF-16 (Word 6: bytes as they are)
  std::uint32_t codePage_ = 1252;        // Word 6: the document language's code page
  bool macintosh_ = false;               // Word 6 written on a Macintosh
  CodePageDecoder decoder_;
  std::uint32_t cpLimit_ = 0;
  std::uint64_t charBudget_ = 0;  // characters left to decode, bounded by the stream size
  bool truncated_ = false;

  // Scratch space of Walk, kept to avoid allocations per story.
  std::u16string raw_;
  std::vector<Segment> segments_;
  std::vector<CharDelta> prmDeltas_;
  std::u16string converted_;
  std::u16string number_;
};

}  // namespace wordfilt
