// Puts the number of a list paragraph ("1.", "a)", a bullet) in front of its
// text. The list tables are read when the first list paragraph needs them:
// many documents carry lists that no paragraph uses.
#pragma once

#include <string>

#include "wordfilt/doc/char_runs.h"
#include "wordfilt/doc/document.h"
#include "wordfilt/doc/lists.h"
#include "wordfilt/doc/paragraphs.h"
#include "wordfilt/doc/text_builder.h"

namespace wordfilt {

class ListNumbers {
 public:
  explicit ListNumbers(const Document& doc);

  // Starts every count afresh: each story (the notes, a header) counts its own.
  void Restart() { lists_.Restart(); }
  // Counts paragraph p when it is in a list and its mark is neither hidden
  // nor deleted, and puts its number with the mark's properties.
  void Put(const Paragraph& p, const CharRuns& runs, const RunProps& paragraph, TextBuilder& out);

 private:
  const Document& doc_;
  bool enabled_ = false;  // only Word 97 and later files number lists
  bool loaded_ = false;
  ListNumbering lists_;
  std::u16string number_;
};

}  // namespace wordfilt
