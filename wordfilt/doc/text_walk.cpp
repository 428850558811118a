#include "wordfilt/doc/text_walk.h"

#include <algorithm>

namespace wordfilt {
namespace {

bool SameProps(const RunProps& a, const RunProps& b) {
  return a.hidden == b.hidden && a.deleted == b.deleted && a.lid == b.lid && a.lidFE == b.lidFE &&
         a.lidBi == b.lidBi && a.font == b.font && a.symbol == b.symbol &&
         a.symbolFont == b.symbolFont && a.symbolChar == b.symbolChar && a.ole2 == b.ole2 &&
         a.picLocation == b.picLocation;
}

}  // namespace

TextWalk::TextWalk(const Document& doc)
    : doc_(doc),
      runs_(doc),
      paragraphs_(doc.tables().papx, doc.tables().papxFlags),
      lists_(doc),
      notes_(doc.tables().noteLabels),
      converter_(doc.fib(), doc.tables().fonts) {}

void TextWalk::Walk(std::uint32_t cpStart, std::uint32_t cpEnd, TextBuilder& out) {
  cpEnd = std::min(cpEnd, doc_.CpLimit());
  if (cpStart >= cpEnd) return;
  runs_.Decode(cpStart, cpEnd);
  paragraphs_.Start(runs_);
  notes_.Start(cpStart);
  lists_.StartRange(cpStart);
  run_ = 0;
  Paragraph p;
  while (paragraphs_.Next(p)) {
    const RunProps& paragraph = doc_.tables().styles.Paragraph(p.istd);
    lists_.Put(p, runs_, paragraph, out);
    PutParagraph(p, paragraph, out);
  }
}

void TextWalk::PutParagraph(const Paragraph& p, const RunProps& paragraph, TextBuilder& out) {
  const char16_t* text = runs_.text();
  std::size_t i = p.begin;
  while (i < p.end) {
    run_ = runs_.Seek(run_, i);
    // A numbered note's placeholder goes out as the note's number.
    if (const NoteLabel* label = notes_.Take(i, text[i])) {
      out.Put(label->text.data(), label->text.size(), runs_.Props(run_, paragraph),
              ParagraphInfo());
      ++i;
      continue;
    }
    const std::size_t limit = notes_.Limit(i, p.end);
    i = PutRuns(i, std::min(limit, runs_.End(run_)), limit, p, paragraph, out);
  }
}

std::size_t TextWalk::PutRuns(std::size_t i, std::size_t stop, std::size_t limit,
                              const Paragraph& p, const RunProps& paragraph, TextBuilder& out) {
  const char16_t* text = runs_.text();
  RunProps props = runs_.Props(run_, paragraph);
  const RunProps resolved = props;
  const std::u16string* converted = converter_.Convert(text + i, stop - i, props);
  if (converted != nullptr) {
    out.Put(converted->data(), converted->size(), props, stop == p.end ? p.info : ParagraphInfo());
    return stop;
  }
  // Runs that differ only in what does not show here (revision ids,
  // formatting) go out together: Put treats them alike.
  while (stop < limit && run_ + 1 < runs_.count() && runs_[run_ + 1].start == stop &&
         SameProps(runs_.Props(run_ + 1, paragraph), resolved)) {
    ++run_;
    stop = std::min(limit, runs_.End(run_));
  }
  out.Put(text + i, stop - i, props, stop == p.end ? p.info : ParagraphInfo());
  return stop;
}

}  // namespace wordfilt
