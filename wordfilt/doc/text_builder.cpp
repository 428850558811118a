#include "wordfilt/doc/text_builder.h"

#include <atomic>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "wordfilt/doc/eq_field.h"

namespace wordfilt {
namespace {

constexpr char16_t kPicture = 0x01;
constexpr char16_t kFieldBegin = 0x13;
constexpr char16_t kFieldSeparator = 0x14;
constexpr char16_t kFieldEnd = 0x15;
constexpr char16_t kCellMark = 0x07;
constexpr char16_t kTab = 0x09;
constexpr char16_t kLineBreak = 0x0B;
constexpr char16_t kPageBreak = 0x0C;
constexpr char16_t kParagraphMark = 0x0D;
constexpr char16_t kColumnBreak = 0x0E;
constexpr char16_t kNonBreakingHyphen = 0x1E;
constexpr char16_t kOptionalHyphen = 0x1F;
constexpr char16_t kSymbolPlaceholder = 0x28;
// Deeper nesting than this is not a real document; further levels are only counted.
constexpr std::size_t kMaxFieldDepth = 256;
constexpr std::uint16_t kNoProofing = 0x0400;
constexpr std::size_t kMaxInstructions = 1024;
// Objects noted per document; the reader opens only a few of them.
constexpr std::size_t kMaxObjects = 64;

bool Unset(std::uint16_t lid) { return lid == 0 || lid == kNoProofing; }

// ClassifyChar with ASCII, most of any text, decided inline.
Script ScriptOf(char16_t c) {
  if (c < 0x80) {
    const char16_t lower = c | 0x20;
    return lower >= u'a' && lower <= u'z' ? Script::kLatin : Script::kNeutral;
  }
  return ClassifyChar(c);
}

// The first index from i on in text[0, n) that is not printable ASCII, or n.
std::size_t SkipPrintableAscii(const char16_t* text, std::size_t i, std::size_t n) {
  constexpr std::uint64_t kOnes = 0x0001000100010001;
  constexpr std::uint64_t kHigh = 0x8000800080008000;
#ifdef __SSE2__
  // Eight at a time; as signed numbers, units from 0x8000 on are below 0x20.
  const __m128i low = _mm_set1_epi16(0x20);
  const __m128i high = _mm_set1_epi16(0x7E);
  while (n - i >= 8) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
    const __m128i out = _mm_or_si128(_mm_cmplt_epi16(x, low), _mm_cmpgt_epi16(x, high));
    if (_mm_movemask_epi8(out) != 0) break;
    i += 8;
  }
#endif
  // Four characters at a time: the first term flags a unit below 0x20, the
  // second one above 0x7E.
  while (n - i >= 4) {
    std::uint64_t x;
    std::memcpy(&x, text + i, sizeof x);
    const std::uint64_t below = (x - kOnes * 0x20) & ~x;
    const std::uint64_t above = (x + kOnes * (0x7FFF - 0x7E)) | x;
    if (((below | above) & kHigh) != 0) break;
    i += 4;
  }
  while (i < n && static_cast<char16_t>(text[i] - 0x20) < 0x5F) ++i;
  return i;
}

// A character that reaches the text as it is, without closing a paragraph.
bool Plain(char16_t c, bool symbol) {
  if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c >= 0xFFFE) return false;
  return !(symbol && c == kSymbolPlaceholder);
}

// The script of every letter of a block of 256 code units whose other units
// are neutral and plain, or kNeutral for a block that mixes scripts or holds
// units that need more than copying. Worked out per block when first asked:
// a document touches few blocks.
Script BlockScript(unsigned block) {
  constexpr std::uint8_t kUnknown = 0xFF;
  static std::atomic<std::uint8_t> known[256] = {};
  static std::atomic<bool> initialised{false};
  if (!initialised.load(std::memory_order_acquire)) {
    for (auto& k : known) k.store(kUnknown, std::memory_order_relaxed);
    initialised.store(true, std::memory_order_release);
  }
  std::uint8_t value = known[block].load(std::memory_order_relaxed);
  if (value != kUnknown) return static_cast<Script>(value);
  Script only = Script::kNeutral;
  bool mixed = false;
  for (unsigned low = 0; low < 256 && !mixed; ++low) {
    const auto c = static_cast<char16_t>(block << 8 | low);
    if (!Plain(c, false)) {
      mixed = true;
    } else if (const Script s = ClassifyChar(c); s != Script::kNeutral) {
      mixed = only != Script::kNeutral && only != s;
      only = s;
    }
  }
  value = static_cast<std::uint8_t>(mixed ? Script::kNeutral : only);
  // Threads that race here store the same value.
  known[block].store(value, std::memory_order_relaxed);
  return static_cast<Script>(value);
}

// The first index from i on in text[0, n) that is neither in the 256-unit
// block `block` nor printable ASCII (ASCII letters count only when `letters`).
std::size_t SkipBlock(const char16_t* text, std::size_t i, std::size_t n, unsigned block,
                      bool letters) {
#ifdef __SSE2__
  const __m128i high = _mm_set1_epi16(static_cast<short>(block));
  const __m128i space = _mm_set1_epi16(0x20);
  const __m128i tilde = _mm_set1_epi16(0x7E);
  const __m128i caseBit = _mm_set1_epi16(0x20);
  const __m128i beforeA = _mm_set1_epi16(0x60);
  const __m128i afterZ = _mm_set1_epi16(0x7B);
  while (n - i >= 8) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
    const __m128i inBlock = _mm_cmpeq_epi16(_mm_srli_epi16(x, 8), high);
    // Signed compares: units from 0x8000 on fall below 0x20.
    __m128i ascii = _mm_andnot_si128(
        _mm_or_si128(_mm_cmplt_epi16(x, space), _mm_cmpgt_epi16(x, tilde)), _mm_set1_epi16(-1));
    if (!letters) {
      const __m128i lower = _mm_or_si128(x, caseBit);
      const __m128i letter =
          _mm_and_si128(_mm_cmpgt_epi16(lower, beforeA), _mm_cmplt_epi16(lower, afterZ));
      ascii = _mm_andnot_si128(letter, ascii);
    }
    if (_mm_movemask_epi8(_mm_or_si128(inBlock, ascii)) != 0xFFFF) break;
    i += 8;
  }
#endif
  for (; i < n; ++i) {
    const char16_t c = text[i];
    if ((c >> 8) == block) continue;
    if (c < 0x20 || c > 0x7E) break;
    const char16_t lower = c | 0x20;
    if (!letters && lower >= u'a' && lower <= u'z') break;
  }
  return i;
}

}  // namespace

TextBuilder::TextBuilder(DocumentText& out, std::uint16_t lid, std::uint16_t lidFE,
                         std::size_t chunkChars)
    : out_(out), lid_(Unset(lid) ? 0x0409 : lid), lidFE_(lidFE), chunkChars_(chunkChars) {
  fields_.reserve(16);
}

void TextBuilder::BeginStory() {
  newStory_ = true;
  cellTab_ = false;
  paragraphStart_ = true;
  fields_.clear();
  hiddenFields_ = 0;
  overflowFields_ = 0;
  instructions_.clear();
}

void TextBuilder::EndStory() {
  if (open_ && !out_.text.empty() && out_.text.back() != u'\n') {
    out_.text.push_back(u'\n');
    ++out_.chunks.back().length;
  }
  paragraphStart_ = true;
}

void TextBuilder::FieldBegin() {
  if (fields_.size() >= kMaxFieldDepth) {
    ++overflowFields_;
    ++hiddenFields_;
    return;
  }
  fields_.push_back(false);
  ++hiddenFields_;
  instructions_.clear();
}

void TextBuilder::FieldSeparator() {
  if (overflowFields_ != 0 || fields_.empty() || fields_.back()) return;
  fields_.back() = true;
  --hiddenFields_;
}

void TextBuilder::FieldEnd(const Languages& langs, bool visible) {
  if (overflowFields_ != 0) {
    --overflowFields_;
    --hiddenFields_;
    return;
  }
  if (fields_.empty()) return;  // a stray end mark
  const bool noResult = !fields_.back();
  if (noResult) --hiddenFields_;
  fields_.pop_back();
  if (noResult && hiddenFields_ == 0 && visible) {
    eqText_.clear();
    AppendEqFieldText(instructions_, eqText_);
    for (char16_t c : eqText_) {
      if (c >= 0x20) Append(c, langs);
    }
  }
  instructions_.clear();
}

void TextBuilder::Put(const char16_t* text, std::size_t n, const RunProps& props,
                      const ParagraphInfo& para) {
  const bool invisible = props.hidden || props.deleted;
  Languages langs;
  if (!invisible) {
    langs.western = Unset(props.lid) ? lid_ : props.lid;
    langs.eastAsian = Unset(props.lidFE) ? lidFE_ : props.lidFE;
    langs.complex = props.lidBi;
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (!invisible && hiddenFields_ == 0 && open_ && !newStory_ && !paragraphStart_) {
      const std::size_t next = AppendPlainRun(text, i, n, props.symbol, langs);
      if (next != i) {
        cellTab_ = false;
        i = next - 1;
        continue;
      }
    }
    const char16_t c = text[i];
    // An embedded object's properties name its storage; they are set on the
    // separator of its field (older files: on a picture character).
    if (props.ole2 && (c == kFieldSeparator || c == kPicture) && !invisible &&
        objects_.size() < kMaxObjects) {
      objects_.push_back(props.picLocation);
    }
    if (c == kFieldBegin) {
      FieldBegin();
    } else if (c == kFieldSeparator) {
      FieldSeparator();
    } else if (c == kFieldEnd) {
      FieldEnd(langs, !invisible);
    } else {
      if (hiddenFields_ == 1 && !fields_.empty() && !fields_.back() &&
          instructions_.size() < kMaxInstructions) {
        instructions_.push_back(c);
      }
      if (!invisible && hiddenFields_ == 0) PutVisible(c, props, para, langs);
    }
  }
}

void TextBuilder::PutVisible(char16_t c, const RunProps& props, const ParagraphInfo& para,
                             const Languages& langs) {
  char16_t o = c;
  bool paragraphEnd = false;
  if (c < 0x20) {
    if (!MapControl(c, para, o, paragraphEnd)) return;
  } else if ((c >= 0x7F && c < 0xA0) || c >= 0xFFFE) {
    return;  // C1 controls and non-characters carry nothing readable
  } else if (c == kSymbolPlaceholder && props.symbol) {
    o = props.symbolChar;
    if (o < 0x20) return;
  }
  Append(o, langs);
  cellTab_ = c == kCellMark && o == kTab;
  if (paragraphEnd) paragraphStart_ = true;
}

bool TextBuilder::MapControl(char16_t c, const ParagraphInfo& para, char16_t& o,
                             bool& paragraphEnd) {
  switch (c) {
    case kParagraphMark:
      // A nested table's cells end in paragraph marks; keep the row together.
      o = para.innerCell ? kTab : u'\n';
      paragraphEnd = !para.innerCell;
      return true;
    case kCellMark:
      if (!para.rowEnd) {
        o = kTab;
        return true;
      }
      // The row's last cell already gave a tab: the row end replaces it.
      if (cellTab_ && open_ && out_.text.back() == kTab) {
        out_.text.back() = u'\n';
        cellTab_ = false;
        paragraphStart_ = true;
        return false;
      }
      o = u'\n';
      paragraphEnd = true;
      return true;
    case kPageBreak:
      paragraphEnd = true;
      o = u'\n';
      return true;
    case kLineBreak:
    case kColumnBreak: o = u'\n'; return true;
    case kTab: o = kTab; return true;
    case kNonBreakingHyphen: o = u'-'; return true;
    // Kept as Unicode's own optional hyphen: invisible unless a line
    // breaks there, as in the document.
    case kOptionalHyphen: o = 0x00AD; return true;
    default: return false;  // anchors, note marks, separators
  }
}

std::uint16_t TextBuilder::LanguageOf(Script s, const Languages& langs) const {
  std::uint16_t lid = langs.western;
  if (IsEastAsian(s)) {
    lid = langs.eastAsian;
  } else if (IsComplex(s)) {
    lid = langs.complex;
  }
  if (LanguageFitsScript(lid, s)) return lid;
  // The document labels this text with a language whose code page cannot
  // hold it (or with none): name one that can, so the host can convert it.
  const std::uint16_t guess = LanguageForScript(s, lidFE_);
  if (guess != 0) return guess;
  return Unset(lid) ? lid_ : lid;
}

std::uint16_t TextBuilder::CachedLanguageOf(Script s, const Languages& langs) {
  if (langs.western != cacheLangs_.western || langs.eastAsian != cacheLangs_.eastAsian ||
      langs.complex != cacheLangs_.complex) {
    cacheLangs_ = langs;
    lidKnown_ = 0;
  }
  const auto k = static_cast<std::size_t>(s);
  const std::uint32_t bit = std::uint32_t{1} << k;
  if ((lidKnown_ & bit) == 0) {
    lidCache_[k] = LanguageOf(s, langs);
    lidKnown_ |= bit;
  }
  return lidCache_[k];
}

std::size_t TextBuilder::AppendPlainRun(const char16_t* text, std::size_t i, std::size_t n,
                                        bool symbol, const Languages& langs) {
  // Same chunk bookkeeping as Append, for the case that needs none: the run
  // stays in the open chunk while its letters keep the chunk's language.
  TextChunk& chunk = out_.chunks.back();
  const std::size_t from = i;
  // ASCII, decided once for the run: every Latin letter takes one language.
  const bool latinFits = CachedLanguageOf(Script::kLatin, langs) == chunk.locale;
  // The last script seen to take the chunk's language (kNeutral: none yet).
  Script fits = Script::kNeutral;
  for (; i < n; ++i) {
    if (latinFits && !symbol) {
      // The common case: printable ASCII needs nothing but copying.
      i = SkipPrintableAscii(text, i, n);
      if (i == n) break;
    }
    const char16_t c = text[i];
    if (c >= 0x20 && c < 0x7F && !(symbol && c == kSymbolPlaceholder)) {
      const char16_t lower = c | 0x20;
      if (latinFits || lower < u'a' || lower > u'z') continue;
    } else if (!Plain(c, symbol)) {
      break;
    } else if (fits != Script::kNeutral && !symbol && BlockScript(c >> 8) == fits) {
      // A stretch of the script that already fits, with its spaces and
      // punctuation: nothing to decide until it ends.
      i = SkipBlock(text, i, n, c >> 8, latinFits) - 1;
      continue;
    }
    const Script s = ScriptOf(c);
    if (s == Script::kNeutral || s == fits) continue;
    const std::uint16_t lid = CachedLanguageOf(s, langs);
    if (lid == chunk.locale) {
      fits = s;
      continue;
    }
    if (lid == 0 || chunk.locale != 0) break;
    chunk.locale = lid;
    fits = s;
  }
  out_.text.append(text + from, i - from);
  chunk.length += static_cast<std::uint32_t>(i - from);
  return i;
}

void TextBuilder::Append(char16_t c, const Languages& langs) {
  const Script s = ScriptOf(c);
  std::uint16_t lid = 0;
  if (s != Script::kNeutral) lid = CachedLanguageOf(s, langs);
  if (newStory_) {
    CloseChunk();
    OpenChunk(out_.chunks.empty() ? kBreakNone : kBreakChapter);
    newStory_ = false;
    paragraphStart_ = false;
  } else if (!open_) {
    OpenChunk(out_.chunks.empty() ? kBreakNone : kBreakParagraph);
    paragraphStart_ = false;
  } else if (paragraphStart_) {
    paragraphStart_ = false;
    if (out_.chunks.back().length >= chunkChars_) {
      CloseChunk();
      OpenChunk(kBreakParagraph);
    }
  }
  TextChunk* chunk = &out_.chunks.back();
  if (lid != 0 && chunk->locale != lid) {
    if (chunk->locale == 0) {
      chunk->locale = lid;
    } else {
      const bool atParagraph = chunk->length != 0 && out_.text.back() == u'\n';
      CloseChunk();
      OpenChunk(atParagraph ? kBreakParagraph : kBreakNone);
      chunk = &out_.chunks.back();
      chunk->locale = lid;
    }
  }
  out_.text.push_back(c);
  ++chunk->length;
}

void TextBuilder::OpenChunk(int breakType) {
  TextChunk chunk;
  chunk.offset = static_cast<std::uint32_t>(out_.text.size());
  chunk.breakType = breakType;
  out_.chunks.push_back(chunk);
  open_ = true;
}

void TextBuilder::CloseChunk() {
  if (!open_) return;
  if (out_.chunks.back().length == 0) out_.chunks.pop_back();
  open_ = false;
}

TextBuilder::Mark TextBuilder::GetMark() const {
  Mark m;
  m.text = out_.text.size();
  m.chunks = out_.chunks.size();
  m.open = open_;
  if (!out_.chunks.empty()) m.last = out_.chunks.back();
  return m;
}

void TextBuilder::Rollback(const Mark& m) {
  out_.text.resize(m.text);
  out_.chunks.resize(m.chunks);
  if (!out_.chunks.empty()) out_.chunks.back() = m.last;
  open_ = m.open;
}

std::u16string_view TextBuilder::TextSince(const Mark& m) const {
  return std::u16string_view(out_.text).substr(m.text);
}

void TextBuilder::Finish() {
  CloseChunk();
  // Chunks of digits and punctuation only take the language before them.
  std::uint32_t previous = lid_;
  for (TextChunk& c : out_.chunks) {
    if (c.locale == 0) c.locale = previous;
    previous = c.locale;
  }
}

}  // namespace wordfilt
