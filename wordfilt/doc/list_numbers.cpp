#include "wordfilt/doc/list_numbers.h"

namespace wordfilt {

ListNumbers::ListNumbers(const Document& doc)
    : doc_(doc),
      enabled_(doc.fib().version == WordVersion::kWord97 && doc.fib().plfLst.lcb != 0),
      word6_(doc.fib().version == WordVersion::kWord6),
      auto_(doc) {}

void ListNumbers::Put(const Paragraph& p, const CharRuns& runs, const RunProps& paragraph,
                      TextBuilder& out) {
  if (word6_ && p.hasMark) {
    const RunProps mark = runs.Props(p.markRun, paragraph);
    if (!mark.hidden && !mark.deleted) PutAuto(p, mark, out);
    return;
  }
  if (!enabled_ || !p.hasMark) return;
  // The paragraph's own list settings win over its style's.
  const StyleList& styleList = doc_.tables().styles.ParagraphList(p.istd);
  const ParaFlags* f = p.flags;
  const std::uint16_t ilfo = f && f->hasIlfo ? f->ilfo : styleList.ilfo;
  const std::uint8_t ilvl = f && f->hasIlvl ? f->ilvl : styleList.ilvl;
  if (ilfo == 0) return;
  // A list paragraph starts with its number, unless its mark is gone.
  const RunProps mark = runs.Props(p.markRun, paragraph);
  if (mark.hidden || mark.deleted) return;
  if (!loaded_) {
    lists_.Load(doc_.table(), doc_.fib(), doc_.tables().fonts);
    loaded_ = true;
  }
  number_.clear();
  lists_.Next(ilfo, ilvl, number_);
  if (!number_.empty()) out.Put(number_.data(), number_.size(), mark, ParagraphInfo());
}

void ListNumbers::PutAuto(const Paragraph& p, const RunProps& mark, TextBuilder& out) {
  const StyleList& style = doc_.tables().styles.ParagraphList(p.istd);
  const ParaFlags* f = p.flags;
  const std::uint8_t level = f && f->hasAutoLevel ? f->autoLevel : style.autoLevel;
  const ByteSpan description =
      f && !f->autoDescription.empty() ? f->autoDescription : style.autoDescription;
  number_.clear();
  const std::uint32_t cp = cpStart_ + static_cast<std::uint32_t>(p.begin);
  auto_.Next(level, description, cp, number_);
  if (!number_.empty()) out.Put(number_.data(), number_.size(), mark, ParagraphInfo());
}

}  // namespace wordfilt
