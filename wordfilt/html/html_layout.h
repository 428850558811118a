// Lays out the text of a web page as a browser shows it, for the chunk
// writer: white space collapsed, block elements as paragraph breaks, table
// cells separated by tabs and rows ended by line breaks.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "wordfilt/chunks/chunk_writer.h"

namespace wordfilt {

class HtmlLayout {
 public:
  explicit HtmlLayout(ChunkWriter& writer) : writer_(writer) {}

  // Text whose runs of white space collapse to one space, none at the start
  // or end of a line.
  void Text(std::u16string_view text);
  // Preformatted text: spaces kept, each line end a line break.
  void PreformattedText(std::u16string_view text);
  // The edge of a block (paragraph, heading, list item...): the next text
  // starts a new paragraph if the line holds anything.
  void Block();
  // A hard line break (<br>): always a new line.
  void LineBreak();

  void TableStart();
  void TableEnd();
  void RowStart();
  void RowEnd();
  void CellStart();

 private:
  struct Table {
    bool rowOpen = false;
    int cells = 0;
  };
  void Flush();  // the pending break and space before a visible character
  void Visible(std::u16string_view run);

  ChunkWriter& writer_;
  bool InTable() const;
  std::vector<Table> tables_;  // the innermost tables, up to a depth
  std::size_t depth_ = 0;      // tables open, however deep
  bool lineHasText_ = false;
  bool pendingBreak_ = false;
  bool pendingSpace_ = false;
  bool afterCr_ = false;
};

}  // namespace wordfilt
