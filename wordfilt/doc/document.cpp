#include "wordfilt/doc/document.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "wordfilt/doc/languages.h"
#include "wordfilt/doc/sprm.h"

namespace wordfilt {
namespace {

constexpr std::uint16_t kMacCharSet = 256;
constexpr std::uint32_t kMacRomanCodePage = 10000;
constexpr std::uint8_t kDefaultCharset = 1;  // fonts at or below it name no page of their own
constexpr char16_t kNotePlaceholder = 0x02;
// How many runs back a run's property list is looked for among its neighbours'.
constexpr std::size_t kSharedListLookBack = 4;

// The paragraph properties that matter for text: table marks and lists.
template <typename Flags>
void ReadParagraphSprms(ByteSpan grpprl, WordVersion version, Flags& f) {
  SprmReader reader(grpprl, version);
  Sprm s;
  while (reader.Next(s)) {
    const bool on = s.operand.U8Or0(0) != 0;
    if (version == WordVersion::kWord6) {
      if (s.opcode == sprm6::kPTtp) f.rowEnd = on;
      continue;
    }
    switch (s.opcode) {
      case sprm::kPFTtp: f.rowEnd = on; break;
      case sprm::kPFInnerTtp: f.innerRowEnd = on; break;
      case sprm::kPFInnerTableCell: f.innerCell = on; break;
      case sprm::kPIlfo:
        f.hasIlfo = true;
        f.ilfo = s.operand.U16Or0(0);
        break;
      case sprm::kPIlvl:
        f.hasIlvl = true;
        f.ilvl = s.operand.U8Or0(0);
        break;
      default: break;
    }
  }
}

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

bool SameProps(const RunProps& a, const RunProps& b) {
  return a.hidden == b.hidden && a.deleted == b.deleted && a.lid == b.lid && a.lidFE == b.lidFE &&
         a.lidBi == b.lidBi && a.font == b.font && a.symbol == b.symbol &&
         a.symbolFont == b.symbolFont && a.symbolChar == b.symbolChar && a.ole2 == b.ole2 &&
         a.picLocation == b.picLocation;
}

// Index of the first paragraph or cell mark in text[j, n), or n.
std::size_t FindMark(const char16_t* text, std::size_t j, std::size_t n) {
#ifdef __SSE2__
  const __m128i paragraph = _mm_set1_epi16(0x0D);
  const __m128i cell = _mm_set1_epi16(0x07);
  while (n - j >= 8) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + j));
    const __m128i mark = _mm_or_si128(_mm_cmpeq_epi16(x, paragraph), _mm_cmpeq_epi16(x, cell));
    if (_mm_movemask_epi8(mark) != 0) break;
    j += 8;
  }
#endif
  constexpr std::uint64_t kOnes = 0x0001000100010001;
  constexpr std::uint64_t kHigh = 0x8000800080008000;
  while (j < n) {
    if (n - j >= 4) {
      // Four characters at once while none is below 0x0E, as both marks are.
      std::uint64_t x;
      std::memcpy(&x, text + j, sizeof x);
      if (((x - kOnes * 0x0E) & ~x & kHigh) == 0) {
        j += 4;
        continue;
      }
    }
    if (text[j] == 0x0D || text[j] == 0x07) return j;
    ++j;
  }
  return n;
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

  // Fast-saved Word 2 files keep their piece table where this parser does not look.
  if (fib_.version == WordVersion::kWord2 && fib_.complex) return LoadStatus::kDamaged;
  PieceTableStatus pt = ParseClx(table, fib_, pieces_);
  if (pt == PieceTableStatus::kDamaged && !fib_.complex) {
    // The text of a file that was never fast-saved is contiguous anyway.
    pt = PieceTableFromFcRange(doc, fib_, pieces_);
    truncated_ = true;
  } else if (pt == PieceTableStatus::kAbsent) {
    pt = PieceTableFromFcRange(doc, fib_, pieces_);
  }
  if (pt != PieceTableStatus::kOk) return LoadStatus::kDamaged;
  truncated_ = truncated_ || pieces_.truncated;

  const std::uint64_t total = fib_.TotalCcp();
  cpLimit_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(pieces_.CpLimit(), total));
  if (cpLimit_ < fib_.ccpText) truncated_ = true;
  // No real document decodes more characters than its stream has bytes.
  charBudget_ = wordDocument_.size();

  clxDeltas_.resize(pieces_.grpprls.size());
  for (std::size_t i = 0; i < clxDeltas_.size(); ++i) {
    ApplyCharSprms(pieces_.grpprls[i], fib_.version, clxDeltas_[i]);
  }
  ReadFkpRuns(FkpKind::kChpx, doc, table, fib_.plcfBteChpx, fib_.version, chpx_);
  chpxDeltas_.resize(chpx_.size());
  for (std::size_t i = 0; i < chpx_.size(); ++i) {
    const std::size_t same = SharedListIndex(chpx_, i);
    if (same != i) {
      chpxDeltas_[i] = chpxDeltas_[same];
    } else {
      ApplyCharSprms(chpx_[i].grpprl, fib_.version, chpxDeltas_[i]);
    }
  }
  ReadFkpRuns(FkpKind::kPapx, doc, table, fib_.plcfBtePapx, fib_.version, papx_);
  ReadParagraphFlags();
  styles_.Load(table, fib_);
  fonts_.Load(table, fib_);
  noteLabels_ = ReadNoteLabels(fib_, table);
  BuildByteMap();
  return LoadStatus::kOk;
}

void Document::ReadParagraphFlags() {
  papxFlags_.resize(papx_.size());
  for (std::size_t i = 0; i < papx_.size(); ++i) {
    const std::size_t same = SharedListIndex(papx_, i);
    if (same != i) {
      papxFlags_[i] = papxFlags_[same];
    } else {
      ReadParagraphSprms(papx_[i].grpprl, fib_.version, papxFlags_[i]);
    }
  }
}

void Document::BuildByteMap() {
  // Word 97 compresses only text that Windows-1252 holds; Word 6 text waits
  // for its font to tell the code page. Both leave ASCII as it is, which
  // DecodeBytes relies on.
  const bool word6 = EightBitText(fib_.version);
  for (std::size_t b = 0; b < 256; ++b) {
    byteMap_[b] = word6 ? static_cast<char16_t>(b) : Cp1252ToUnicode(static_cast<std::uint8_t>(b));
  }
  codePage_ = AnsiCodePage(fib_.lid);
  if (codePage_ == 0) codePage_ = 1252;
  macintosh_ = word6 && fib_.charSet == kMacCharSet;
}

const char16_t* Document::Convert(const char16_t* text, std::size_t n, RunProps& props) {
  const bool word6 = EightBitText(fib_.version);
  if (props.symbol) {
    // A character inserted from a symbol font: the Symbol font has Unicode
    // equivalents; other symbol fonts' pictures are dropped.
    char16_t c = props.symbolChar;
    if (fonts_.IsSymbol(props.symbolFont)) {
      c = SymbolFontChar(c);
    } else if (word6 || (c >= 0xF000 && c <= 0xF0FF)) {
      const std::uint32_t cp = CharsetCodePage(fonts_.Charset(props.symbolFont), codePage_);
      c = (cp == 0 || c >= 0xF000) ? 0 : c;
      if (c >= 0x80 && word6) {
        converted_.clear();
        decoder_.Decode(cp, &c, 1, converted_);
        c = converted_.empty() ? 0 : converted_[0];
      }
    }
    props.symbolChar = c;
  }
  const bool symbolFont = fonts_.IsSymbol(props.font);
  if (!word6 && !symbolFont) return nullptr;
  converted_.clear();
  if (symbolFont) {
    for (std::size_t i = 0; i < n; ++i) {
      const char16_t c = text[i];
      converted_.push_back(c < 0x20 ? c : SymbolFontChar(c));
    }
    return converted_.data();
  }
  const std::uint8_t charset = fonts_.Charset(props.font);
  std::uint32_t cp = CharsetCodePage(charset, codePage_);
  // A Macintosh file's fonts say "ANSI" but mean the Macintosh character set.
  if (macintosh_ && cp == 1252) cp = kMacRomanCodePage;
  // The East-Asian editions store double-byte text in the document's own
  // page, under Western fonts as well: those pages hold ASCII as it is.
  if (fib_.farEast && charset <= kDefaultCharset) cp = codePage_;
  decoder_.Decode(cp == 0 ? 1252 : cp, text, n, converted_);
  return converted_.data();
}

void Document::DecodeBytes(const std::uint8_t* p, std::size_t n, bool compressed) {
  const std::size_t at = raw_.size();
  raw_.resize(at + n);
  char16_t* dst = &raw_[at];
  if (compressed) {
    std::size_t i = 0;
#ifdef __SSE2__
    // ASCII maps to itself in every byte map: widen sixteen bytes at once
    // while none has its high bit set.
    const __m128i zero = _mm_setzero_si128();
    while (n - i >= 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      if (_mm_movemask_epi8(x) != 0) {
        for (const std::size_t stop = i + 16; i < stop; ++i) dst[i] = byteMap_[p[i]];
        continue;
      }
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_unpacklo_epi8(x, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 8), _mm_unpackhi_epi8(x, zero));
      i += 16;
    }
#endif
    for (; i < n; ++i) dst[i] = byteMap_[p[i]];
  } else {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::memcpy(dst, p, 2 * n);  // already UTF-16LE
#else
    for (std::size_t i = 0; i < n; ++i) dst[i] = ByteSpan::Le16(p + 2 * i);
#endif
  }
}

void Document::Decode(std::uint32_t cpStart, std::uint32_t cpEnd) {
  raw_.clear();
  segments_.clear();
  prmDeltas_.clear();
  const ByteSpan doc(wordDocument_);
  long pi = pieces_.Find(cpStart);
  if (pi < 0) return;
  for (std::size_t i = static_cast<std::size_t>(pi); i < pieces_.pieces.size(); ++i) {
    const Piece& p = pieces_.pieces[i];
    if (p.cpStart >= cpEnd) break;
    const std::uint32_t a = std::max(cpStart, p.cpStart);
    const std::uint32_t b = std::min(cpEnd, p.cpEnd);
    const std::uint32_t bpc = p.BytesPerChar();
    const std::uint64_t fcA = p.fc + std::uint64_t{a - p.cpStart} * bpc;
    std::uint64_t n = b - a;
    const std::uint64_t avail = fcA < doc.size() ? (doc.size() - fcA) / bpc : 0;
    if (n > avail || n > charBudget_) {
      n = std::min(avail, charBudget_);
      truncated_ = true;
    }
    charBudget_ -= n;
    std::int32_t prm = -1;
    if (p.prm != 0) {
      const CharDelta d = PrmDelta(p.prm, clxDeltas_);
      if (!d.Empty()) {
        prm = static_cast<std::int32_t>(prmDeltas_.size());
        prmDeltas_.push_back(d);
      }
    }
    // Split the piece where its character runs change.
    std::uint64_t fc = fcA;
    const std::uint64_t fcEnd = fcA + n * bpc;
    auto run = std::upper_bound(chpx_.begin(), chpx_.end(), fc,
                                [](std::uint64_t v, const FkpRun& r) { return v < r.fcEnd; });
    while (fc < fcEnd) {
      Segment seg;
      seg.start = static_cast<std::uint32_t>(raw_.size());
      seg.fc = static_cast<std::uint32_t>(fc);
      seg.bytesPerChar = static_cast<std::uint8_t>(bpc);
      seg.prm = prm;
      std::uint64_t segEnd = fcEnd;
      if (run != chpx_.end() && run->fcStart <= fc) {
        seg.chpx = static_cast<std::int32_t>(run - chpx_.begin());
        segEnd = std::min<std::uint64_t>(fcEnd, run->fcEnd);
        ++run;
      } else if (run != chpx_.end()) {
        segEnd = std::min<std::uint64_t>(fcEnd, run->fcStart);
      }
      const std::uint64_t chars = (segEnd - fc + bpc - 1) / bpc;
      DecodeBytes(doc.data() + fc, static_cast<std::size_t>(chars), p.compressed);
      segments_.push_back(seg);
      fc += chars * bpc;
      // A run ending inside a UTF-16 character: move on to the run holding fc.
      while (run != chpx_.end() && run->fcEnd <= fc) ++run;
    }
  }
}

RunProps Document::Resolve(const Segment& s, const RunProps& paragraph) const {
  RunProps r = paragraph;
  if (s.chpx >= 0) {
    const CharDelta& d = chpxDeltas_[static_cast<std::size_t>(s.chpx)];
    if (d.charStyle != 0xFFFF) r = styles_.ApplyCharacterStyle(d.charStyle, r);
    r = Layer(r, d);
  }
  if (s.prm >= 0) r = Layer(r, prmDeltas_[static_cast<std::size_t>(s.prm)]);
  return r;
}

void Document::Walk(std::uint32_t cpStart, std::uint32_t cpEnd, TextBuilder& out) {
  cpEnd = std::min(cpEnd, cpLimit_);
  if (cpStart >= cpEnd) return;
  Decode(cpStart, cpEnd);
  const std::size_t n = raw_.size();
  auto label = std::lower_bound(noteLabels_.begin(), noteLabels_.end(), cpStart,
                                [](const NoteLabel& l, std::uint32_t cp) { return l.cp < cp; });
  const auto& labels = noteLabels_;
  const bool mayList = fib_.version == WordVersion::kWord97 && fib_.plfLst.lcb != 0;
  std::size_t seg = 0;
  std::size_t i = 0;
  long papxHint = -1;
  while (i < n) {
    // One paragraph: its properties hang on its closing mark.
    std::size_t j = FindMark(raw_.data(), i, n);
    const std::size_t end = j < n ? j + 1 : n;
    ParagraphInfo info;
    std::uint16_t istd = 0;
    const ParaFlags* flags = nullptr;
    if (j < n) {
      while (seg + 1 < segments_.size() && segments_[seg + 1].start <= j) ++seg;
      const Segment& s = segments_[seg];
      const std::uint32_t fc = s.fc + (static_cast<std::uint32_t>(j) - s.start) * s.bytesPerChar;
      // Paragraphs mostly follow each other in the stream: try the run after
      // the last one before searching.
      long r = -1;
      for (long h = papxHint; h >= 0 && h <= papxHint + 1; ++h) {
        const std::size_t u = static_cast<std::size_t>(h);
        if (u < papx_.size() && papx_[u].fcStart <= fc && fc < papx_[u].fcEnd) r = h;
      }
      if (r < 0) r = FindRun(papx_, fc);
      papxHint = r;
      if (r >= 0) {
        const ParaFlags& f = papxFlags_[static_cast<std::size_t>(r)];
        flags = &f;
        istd = papx_[static_cast<std::size_t>(r)].istd;
        info.rowEnd = raw_[j] == 0x07 && (f.rowEnd || f.innerRowEnd);
        info.innerCell = raw_[j] == 0x0D && f.innerCell && !f.innerRowEnd;
      }
    }
    const RunProps& paragraph = styles_.Paragraph(istd);
    if (j < n && mayList) {
      // A list paragraph starts with its number, unless its mark is gone.
      const StyleList& styleList = styles_.ParagraphList(istd);
      const std::uint16_t ilfo = flags && flags->hasIlfo ? flags->ilfo : styleList.ilfo;
      const std::uint8_t ilvl = flags && flags->hasIlvl ? flags->ilvl : styleList.ilvl;
      const RunProps mark = Resolve(segments_[seg], paragraph);
      if (ilfo != 0 && !mark.hidden && !mark.deleted) {
        if (!listsLoaded_) {
          // Many documents carry list tables that no paragraph uses: read
          // them when the first list paragraph needs them.
          lists_.Load(table(), fib_, fonts_);
          listsLoaded_ = true;
        }
        number_.clear();
        lists_.Next(ilfo, ilvl, number_);
        if (!number_.empty()) out.Put(number_.data(), number_.size(), mark, ParagraphInfo());
      }
    }
    // Walk the segments that overlap [i, end).
    std::size_t k = seg;
    while (k > 0 && segments_[k].start > i) --k;
    while (i < end) {
      while (k + 1 < segments_.size() && segments_[k + 1].start <= i) ++k;
      // A numbered note's placeholder goes out as the note's number.
      while (label != labels.end() && label->cp - cpStart < i) ++label;
      if (label != labels.end() && label->cp - cpStart == i) {
        if (raw_[i] == kNotePlaceholder) {
          out.Put(label->text.data(), label->text.size(), Resolve(segments_[k], paragraph),
                  ParagraphInfo());
          ++label;
          ++i;
          continue;
        }
        ++label;
      }
      std::size_t limit = end;
      if (label != labels.end() && label->cp - cpStart > i && label->cp - cpStart < end) {
        limit = label->cp - cpStart;
      }
      std::size_t stop =
          k + 1 < segments_.size() ? std::min<std::size_t>(limit, segments_[k + 1].start) : limit;
      RunProps props = Resolve(segments_[k], paragraph);
      const RunProps resolved = props;
      const char16_t* text = Convert(&raw_[i], stop - i, props);
      if (text == nullptr) {
        // Runs that differ only in what does not show here (revision ids,
        // formatting) go out together: Put treats them alike.
        while (stop < limit && k + 1 < segments_.size() && segments_[k + 1].start == stop &&
               SameProps(Resolve(segments_[k + 1], paragraph), resolved)) {
          ++k;
          stop = k + 1 < segments_.size() ? std::min<std::size_t>(limit, segments_[k + 1].start)
                                          : limit;
        }
        out.Put(&raw_[i], stop - i, props, stop == end ? info : ParagraphInfo());
      } else {
        out.Put(text, converted_.size(), props, stop == end ? info : ParagraphInfo());
      }
      i = stop;
    }
    seg = k;
  }
}

}  // namespace wordfilt
