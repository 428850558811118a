// The paragraphs of a decoded range: each ends at its paragraph or cell
// mark, whose paragraph run gives its style, its list membership and what
// the mark stands for in a table. The last one may lack a mark.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "wordfilt/doc/char_runs.h"
#include "wordfilt/doc/fkp.h"
#include "wordfilt/doc/paragraph_flags.h"
#include "wordfilt/doc/text_builder.h"

namespace wordfilt {

struct Paragraph {
  std::size_t begin = 0;  // [begin, end) in the decoded text, the mark included
  std::size_t end = 0;
  bool hasMark = false;
  std::size_t markRun = 0;           // the run holding the mark, when it has one
  std::uint16_t istd = 0;            // paragraph style
  const ParaFlags* flags = nullptr;  // null when no paragraph run holds the mark
  ParagraphInfo info;
};

class Paragraphs {
 public:
  Paragraphs(const std::vector<FkpRun>& papx, const std::vector<ParaFlags>& flags)
      : papx_(papx), flags_(flags) {}

  // Starts over at the beginning of what `runs` holds now.
  void Start(const CharRuns& runs);
  // The next paragraph; false after the last.
  bool Next(Paragraph& p);

 private:
  long FindPapx(std::uint32_t fc);

  const std::vector<FkpRun>& papx_;
  const std::vector<ParaFlags>& flags_;
  const CharRuns* runs_ = nullptr;
  std::size_t at_ = 0;
  std::size_t run_ = 0;
  long hint_ = -1;  // the paragraph run of the last mark
};

// Index of the first paragraph or cell mark in text[j, n), or n.
std::size_t FindMark(const char16_t* text, std::size_t j, std::size_t n);

}  // namespace wordfilt
