// Puts the number of a list paragraph ("1.", "a)", a bullet) in front of its
// text. Word 97 and later files number through list tables, Word 6 files
// through their paragraphs' automatic numbering (auto_numbers.h). The list tables are read when the
// first list paragraph needs them: many documents carry lists that no paragraph uses.
#pragma once

#include <string>

#include "wordfilt/doc/auto_numbers.h"
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
  void Restart() {
    lists_.Restart();
    auto_.Restart();
  }
  // The paragraphs to come lie in the range decoded from `cp` on.
  void StartRange(std::uint32_t cp) { cpStart_ = cp; }
  // Counts paragraph p when it is in a list and its mark is neither hidden
  // nor deleted, and puts its number with the mark's properties.
  void Put(const Paragraph& p, const CharRuns& runs, const RunProps& paragraph, TextBuilder& out);

 private:
  const Document& doc_;
  // Word 6 numbering: the paragraph's own settings win over its style's.
  void PutAuto(const Paragraph& p, const RunProps& mark, TextBuilder& out);

  bool enabled_ = false;  // Word 97 and later files with list tables
  bool word6_ = false;
  std::uint32_t cpStart_ = 0;
  AutoNumbers auto_;
  bool loaded_ = false;
  ListNumbering lists_;
  std::u16string number_;
};

}  // namespace wordfilt
