#include "wordfilt/doc/text_builder.h"

#include "wordfilt/doc/eq_field.h"

namespace wordfilt {
namespace {

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
constexpr char16_t kSymbolPlaceholder = 0x28;
// Deeper nesting than this is not a real document; further levels are only counted.
constexpr std::size_t kMaxFieldDepth = 256;
constexpr std::uint16_t kNoProofing = 0x0400;
constexpr std::size_t kMaxInstructions = 1024;

bool Unset(std::uint16_t lid) { return lid == 0 || lid == kNoProofing; }

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
    const char16_t c = text[i];
    if (c == kFieldBegin) {
      FieldBegin();
      continue;
    }
    if (c == kFieldSeparator) {
      FieldSeparator();
      continue;
    }
    if (c == kFieldEnd) {
      FieldEnd(langs, !invisible);
      continue;
    }
    if (hiddenFields_ == 1 && !fields_.empty() && !fields_.back() &&
        instructions_.size() < kMaxInstructions) {
      instructions_.push_back(c);
    }
    if (invisible || hiddenFields_ != 0) continue;
    char16_t o = c;
    bool paragraphEnd = false;
    if (c < 0x20) {
      switch (c) {
        case kParagraphMark:
          // A nested table's cells end in paragraph marks; keep the row together.
          o = para.innerCell ? kTab : u'\n';
          paragraphEnd = !para.innerCell;
          break;
        case kCellMark:
          if (para.rowEnd) {
            // The row's last cell already gave a tab: the row end replaces it.
            if (cellTab_ && open_ && out_.text.back() == kTab) {
              out_.text.back() = u'\n';
              cellTab_ = false;
              paragraphStart_ = true;
              continue;
            }
            o = u'\n';
            paragraphEnd = true;
          } else {
            o = kTab;
          }
          break;
        case kPageBreak:
          paragraphEnd = true;
          o = u'\n';
          break;
        case kLineBreak:
        case kColumnBreak: o = u'\n'; break;
        case kTab: o = kTab; break;
        case kNonBreakingHyphen: o = u'-'; break;
        default: continue;  // anchors, note marks, optional hyphens, separators
      }
    } else if (c >= 0x7F && c < 0xA0) {
      continue;  // C1 controls carry nothing readable
    } else if (c >= 0xFFFE) {
      continue;
    } else if (c == kSymbolPlaceholder && props.symbol) {
      o = props.symbolChar;
      if (o < 0x20) continue;
    }
    Append(o, langs);
    cellTab_ = c == kCellMark && o == kTab;
    if (paragraphEnd) paragraphStart_ = true;
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

void TextBuilder::Append(char16_t c, const Languages& langs) {
  const Script s = ClassifyChar(c);
  std::uint16_t lid = 0;
  if (s != Script::kNeutral) lid = LanguageOf(s, langs);
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
