#include "wordfilt/doc/document.h"

#include <algorithm>

namespace wordfilt {
namespace {

// How many runs back a run's property list is looked for among its neighbours'.
constexpr std::size_t kSharedListLookBack = 4;

// Runs of one page often share a property list (the page stores each list
// once): the index of a recent run with the very same list as run i, or i.
std::size_t SharedListIndex(const std::vector<FkpRun>& runs, std::size_t i) {
  const ByteSpan g = runs[i].grpprl;
  for (std::size_t back = 1; back <= kSharedListLookBack && back <= i; ++back) {
    const ByteSpan h = runs[i - back].grpprl;
    if (h.data() == g.data() && h.size() == g.size()) return i - back;
  }
  return i;
}

// The character and paragraph runs with their property lists parsed.
void ReadRuns(ByteSpan doc, ByteSpan table, const Fib& fib, TextTables& t) {
  t.clxDeltas.resize(t.pieces.grpprls.size());
  for (std::size_t i = 0; i < t.clxDeltas.size(); ++i) {
    ApplyCharSprms(t.pieces.grpprls[i], fib.version, t.clxDeltas[i]);
  }
  ReadFkpRuns(FkpKind::kChpx, doc, table, fib.plcfBteChpx, fib.version, t.chpx);
  t.chpxDeltas.resize(t.chpx.size());
  for (std::size_t i = 0; i < t.chpx.size(); ++i) {
    const std::size_t same = SharedListIndex(t.chpx, i);
    if (same != i) {
      t.chpxDeltas[i] = t.chpxDeltas[same];
    } else {
      ApplyCharSprms(t.chpx[i].grpprl, fib.version, t.chpxDeltas[i]);
    }
  }
  ReadFkpRuns(FkpKind::kPapx, doc, table, fib.plcfBtePapx, fib.version, t.papx);
  t.papxFlags.resize(t.papx.size());
  for (std::size_t i = 0; i < t.papx.size(); ++i) {
    const std::size_t same = SharedListIndex(t.papx, i);
    t.papxFlags[i] =
        same != i ? t.papxFlags[same] : ReadParagraphFlags(t.papx[i].grpprl, fib.version);
  }
}

}  // namespace

LoadStatus Document::Load(StreamSource& source) {
  *this = Document();
  if (!source.Read(kWordDocumentStream, wordDocument_)) return LoadStatus::kNotWord;
  const ByteSpan doc(wordDocument_);
  switch (ParseFib(doc, fib_)) {
    case FibStatus::kNotWord: return LoadStatus::kNotWord;
    case FibStatus::kDamaged: return LoadStatus::kDamaged;
    case FibStatus::kOk: break;
  }
  if (fib_.encrypted || fib_.obfuscated) return LoadStatus::kEncrypted;

  ByteSpan table = doc;  // Word 2 and 6 keep their tables in the document stream
  if (!SingleStream(fib_.version)) {
    if (!source.Read(fib_.table1 ? kTable1Stream : kTable0Stream, table_)) table_.clear();
    table = ByteSpan(table_);
  }

  TextTables& t = tables_;
  PieceTableStatus pt = ParseClx(table, fib_, t.pieces);
  if (pt == PieceTableStatus::kDamaged && !fib_.complex) {
    // The text of a file that was never fast-saved is contiguous anyway.
    pt = PieceTableFromFcRange(doc, fib_, t.pieces);
    truncated_ = true;
  } else if (pt == PieceTableStatus::kAbsent) {
    pt = PieceTableFromFcRange(doc, fib_, t.pieces);
  }
  if (pt != PieceTableStatus::kOk) return LoadStatus::kDamaged;
  truncated_ = truncated_ || t.pieces.truncated;

  const std::uint64_t total = fib_.TotalCcp();
  cpLimit_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(t.pieces.CpLimit(), total));
  if (cpLimit_ < fib_.ccpText) truncated_ = true;

  ReadRuns(doc, table, fib_, t);
  t.styles.Load(table, fib_);
  t.fonts.Load(table, fib_);
  t.noteLabels = ReadNoteLabels(fib_, table);
  return LoadStatus::kOk;
}

}  // namespace wordfilt
