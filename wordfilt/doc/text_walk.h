// The walk over the text of a loaded document: ranges of characters decoded
// into runs, cut into paragraphs, with list numbers and note labels put in,
// and sent with their properties to a TextBuilder. The walk owns all the
// state and buffers this needs; the document stays as loaded.
#pragma once

#include <cstdint>

#include "wordfilt/doc/char_runs.h"
#include "wordfilt/doc/document.h"
#include "wordfilt/doc/list_numbers.h"
#include "wordfilt/doc/note_labels.h"
#include "wordfilt/doc/paragraphs.h"
#include "wordfilt/doc/run_converter.h"
#include "wordfilt/doc/text_builder.h"

namespace wordfilt {

class TextWalk {
 public:
  explicit TextWalk(const Document& doc);

  // Sends the characters of [cpStart, cpEnd) with their properties to `out`.
  void Walk(std::uint32_t cpStart, std::uint32_t cpEnd, TextBuilder& out);
  // Starts list numbers afresh: each story (the notes, a header) counts its own.
  void RestartLists() { lists_.Restart(); }
  // Some text was left out: it lay past the end of its stream.
  bool truncated() const { return runs_.truncated(); }

 private:
  void PutParagraph(const Paragraph& p, const RunProps& paragraph, TextBuilder& out);
  // Puts text[i, stop) of run k, with the runs after it up to `limit` that
  // look the same here; returns where it stopped.
  std::size_t PutRuns(std::size_t i, std::size_t stop, std::size_t limit, const Paragraph& p,
                      const RunProps& paragraph, TextBuilder& out);

  const Document& doc_;
  CharRuns runs_;
  Paragraphs paragraphs_;
  ListNumbers lists_;
  NoteLabels notes_;
  RunConverter converter_;
  std::size_t run_ = 0;  // the run of the character being put
};

}  // namespace wordfilt
