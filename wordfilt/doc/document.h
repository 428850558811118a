// A loaded Word document: its streams, file information block, piece table,
// property pages, styles and fonts, parsed once and then only read. The walk
// over its text (text_walk.h) keeps its own state.
#pragma once

#include <cstdint>
#include <vector>

#include "wordfilt/doc/char_props.h"
#include "wordfilt/doc/document_text.h"
#include "wordfilt/doc/fib.h"
#include "wordfilt/doc/fkp.h"
#include "wordfilt/doc/fonts.h"
#include "wordfilt/doc/notes.h"
#include "wordfilt/doc/paragraph_flags.h"
#include "wordfilt/doc/piece_table.h"
#include "wordfilt/doc/stream_source.h"
#include "wordfilt/doc/stylesheet.h"

namespace wordfilt {

// The tables the walk over the text reads, as Load leaves them.
struct TextTables {
  PieceTable pieces;
  std::vector<FkpRun> chpx;
  std::vector<CharDelta> chpxDeltas;  // parallel to chpx
  std::vector<CharDelta> clxDeltas;   // parallel to pieces.grpprls
  std::vector<FkpRun> papx;
  std::vector<ParaFlags> papxFlags;  // parallel to papx
  Stylesheet styles;
  FontTable fonts;
  std::vector<NoteLabel> noteLabels;  // sorted by cp
};

class Document {
 public:
  LoadStatus Load(StreamSource& source);

  const Fib& fib() const { return fib_; }
  // The table stream (for Word 2 and 6, the document stream).
  ByteSpan table() const {
    return SingleStream(fib_.version) ? ByteSpan(wordDocument_) : ByteSpan(table_);
  }
  ByteSpan wordDocument() const { return ByteSpan(wordDocument_); }
  const TextTables& tables() const { return tables_; }
  // End of the text the piece table and the FIB agree on.
  std::uint32_t CpLimit() const { return cpLimit_; }
  // The tables ended early; the walk may find more text missing.
  bool truncated() const { return truncated_; }

 private:
  ByteBuffer wordDocument_;
  ByteBuffer table_;  // empty when the file has none; Word 6: unused
  Fib fib_;
  TextTables tables_;
  std::uint32_t cpLimit_ = 0;
  bool truncated_ = false;
};

}  // namespace wordfilt
