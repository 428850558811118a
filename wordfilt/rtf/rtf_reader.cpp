#include "wordfilt/rtf/rtf_reader.h"

#include <string>
#include <vector>

#include "wordfilt/doc/fonts.h"
#include "wordfilt/doc/notes.h"
#include "wordfilt/rtf/rtf_keywords.h"
#include "wordfilt/rtf/rtf_state.h"
#include "wordfilt/rtf/rtf_tokenizer.h"

namespace wordfilt {
namespace {

// Groups nest a few dozen deep in real documents. Deeper groups are only
// counted, and their content is dropped: the stack stays small whatever the input.
constexpr std::size_t kMaxDepth = 1024;
constexpr std::uint8_t kMaxFallback = 255;
// How far past a note's mark its note must begin for the mark to take a number.
constexpr int kNoteLookahead = 24;

bool TakesText(RtfDest d) { return d == RtfDest::kText || d == RtfDest::kProperty; }

bool Destination(RtfAction a) {
  switch (a) {
    case RtfAction::kSkip:
    case RtfAction::kFontTable:
    case RtfAction::kInfo:
    case RtfAction::kProperty:
    case RtfAction::kStory:
    case RtfAction::kKeep:
    case RtfAction::kUpr:
    case RtfAction::kUd:
    case RtfAction::kShapeInstance: return true;
    default: return false;
  }
}

std::uint16_t Language(const RtfToken& t) {
  return t.hasParam && t.param > 0 && t.param <= 0xFFFF ? static_cast<std::uint16_t>(t.param) : 0;
}

bool On(const RtfToken& t) { return !t.hasParam || t.param != 0; }

class RtfReader {
 public:
  RtfReader(const std::uint8_t* data, std::size_t size, DocumentText& out,
            const ExtractOptions& options)
      : tokens_(data, size), output_(out, options) {
    stack_.reserve(64);
    stack_.emplace_back();
    UpdateEncoding(stack_.back());
  }

  void Run() {
    RtfToken t;
    while (tokens_.Next(t)) {
      if (t.kind != RtfTokenKind::kText && t.kind != RtfTokenKind::kHex) FlushBytes();
      switch (t.kind) {
        case RtfTokenKind::kGroupOpen: Open(); break;
        case RtfTokenKind::kGroupClose: Close(); break;
        case RtfTokenKind::kText: Text(t.data, t.size); break;
        case RtfTokenKind::kHex: Text(&t.symbol, 1); break;
        case RtfTokenKind::kBinary: Fallback(); break;
        case RtfTokenKind::kWord: Word(t); break;
        case RtfTokenKind::kSymbol: Symbol(t.symbol); break;
      }
    }
    FlushBytes();
    // Groups left open at the end close here, so that their stories end.
    while (stack_.size() > 1) Close();
    output_.Finish();
  }

 private:
  RtfState& Top() { return stack_.back(); }

  void Open() {
    skip_ = 0;
    star_ = false;
    if (overflow_ != 0 || stack_.size() >= kMaxDepth) {
      ++overflow_;
      return;
    }
    stack_.push_back(stack_.back());
  }

  void Close() {
    skip_ = 0;
    star_ = false;
    if (overflow_ != 0) {
      --overflow_;
      return;
    }
    if (stack_.size() <= 1) return;  // a brace with no group to close
    const RtfState ended = stack_.back();
    stack_.pop_back();
    RtfState& s = Top();
    if (ended.story != s.story) output_.EndStory(ended.story);
    if (ended.dest == RtfDest::kFontTable && s.dest != RtfDest::kFontTable) UpdateEncoding(s);
    output_.SetLanguages(s.langs);
  }

  // Fallback text of `\uN` is left out: `uc` bytes or control words after it.
  bool Fallback() {
    if (skip_ == 0) return false;
    --skip_;
    return true;
  }

  void UpdateEncoding(RtfState& s) {
    s.encoding = fonts_.EncodingOf(s.font < 0 ? defaultFont_ : s.font, codePage_);
    s.table =
        s.encoding.kind == RtfFontKind::kText && !RtfCodePages::IsDoubleByte(s.encoding.codePage)
            ? &codePages_.SingleByte(s.encoding.codePage)
            : nullptr;
  }

  bool Visible(const RtfState& s) const {
    return overflow_ == 0 && TakesText(s.dest) && !s.hidden && !s.deleted;
  }

  void Text(const std::uint8_t* data, std::size_t size) {
    star_ = false;
    if (overflow_ != 0) return;
    while (skip_ != 0 && size != 0) {
      --skip_;
      ++data;
      --size;
    }
    RtfState& s = Top();
    if (s.dest == RtfDest::kFontTable) {
      fonts_.NameBytes(data, size);
      return;
    }
    if (!Visible(s) || size == 0) return;
    switch (s.encoding.kind) {
      case RtfFontKind::kPicture: return;
      case RtfFontKind::kSymbol:
        for (std::size_t i = 0; i < size; ++i) Emit(s, SymbolFontChar(data[i]));
        return;
      case RtfFontKind::kText: break;
    }
    if (s.table == nullptr) {  // a double-byte page: characters may span tokens
      pending_.append(reinterpret_cast<const char*>(data), size);
      return;
    }
    const RtfCodePages::Table& table = *s.table;
    if (s.dest != RtfDest::kText) {
      for (std::size_t i = 0; i < size; ++i) Emit(s, table[data[i]]);
      return;
    }
    // Most text: decoded into one run with the text and `\'hh` tokens next to
    // it (accented letters split words into many tokens), control characters
    // other than tabs left out. The run goes out before the next other token.
    const std::size_t at = run_.size();
    run_.resize(at + size);
    runStory_ = s.story;
    char16_t* out = &run_[at];
    std::size_t n = 0;
    for (std::size_t i = 0; i < size; ++i) {
      const char16_t c = table[data[i]];
      out[n] = c;
      n += c >= 0x20 || c == u'\t';
    }
    run_.resize(at + n);
  }

  void FlushBytes() {
    if (!run_.empty()) {
      output_.PutRun(runStory_, run_.data(), run_.size());
      run_.clear();
    }
    if (pending_.empty()) return;
    RtfState& s = Top();
    decoded_.clear();
    codePages_.DecodeRun(s.encoding.codePage, pending_, decoded_);
    pending_.clear();
    for (char16_t c : decoded_) Emit(s, c);
  }

  void Emit(const RtfState& s, char16_t c) {
    if (c < 0x20 && c != u'\t') return;
    if (c >= 0xF000 && c <= 0xF0FF) {
      // A font's 8-bit character written at U+F000 + its byte: read the byte
      // as the font reads it.
      switch (s.encoding.kind) {
        case RtfFontKind::kPicture: return;
        case RtfFontKind::kSymbol: c = SymbolFontChar(c); break;
        case RtfFontKind::kText:
          c = (s.table ? *s.table : codePages_.SingleByte(1252))[c & 0xFF];
          break;
      }
      if (c < 0x20) return;
    }
    if (s.dest == RtfDest::kProperty) {
      output_.PutProperty(s.property, c);
    } else {
      output_.Put(s.story, c);
    }
  }

  void Symbol(std::uint8_t c) {
    const bool starred = star_;
    star_ = false;
    if (overflow_ != 0 || Fallback()) return;
    RtfState& s = Top();
    switch (c) {
      case '*': star_ = !starred; return;
      case '~': Char(s, 0x00A0); return;
      // Kept as Unicode's own optional hyphen, as the Word reader keeps it.
      case '-': Char(s, 0x00AD); return;
      case '_': Char(s, u'-'); return;
      case '\n': Break(s, RtfAction::kParagraph); return;
      default: return;
    }
  }

  void Char(const RtfState& s, char16_t c) {
    if (Visible(s)) Emit(s, c);
  }

  void Break(const RtfState& s, RtfAction a) {
    if (!Visible(s) || s.dest != RtfDest::kText) return;
    switch (a) {
      case RtfAction::kCell: output_.Cell(s.story); break;
      case RtfAction::kRow: output_.Row(s.story); break;
      default: output_.Paragraph(s.story); break;
    }
  }

  void Word(const RtfToken& t) {
    const bool starred = star_;
    star_ = false;
    if (overflow_ != 0) return;
    const RtfKeyword k = LookupKeyword(t.word);
    RtfState& s = Top();
    if (s.dest == RtfDest::kSkip) return;
    if (s.dest == RtfDest::kUpr) {
      if (k.action == RtfAction::kUd) s.dest = s.uprOuter;
      return;
    }
    // A destination this reader does not know holds nothing to read.
    if (starred && !Destination(k.action)) {
      s.dest = RtfDest::kSkip;
      return;
    }
    if (Fallback()) return;
    switch (k.action) {
      case RtfAction::kNone: return;
      case RtfAction::kSkip: s.dest = RtfDest::kSkip; return;
      case RtfAction::kFontTable: s.dest = RtfDest::kFontTable; return;
      case RtfAction::kInfo: s.dest = RtfDest::kInfo; return;
      case RtfAction::kProperty:
        if (s.dest != RtfDest::kInfo) {
          s.dest = RtfDest::kSkip;
          return;
        }
        s.dest = RtfDest::kProperty;
        s.property = static_cast<std::uint8_t>(k.arg);
        output_.BeginProperty(s.property);
        return;
      case RtfAction::kStory:
        if (s.dest != RtfDest::kText && s.dest != RtfDest::kShape) {
          s.dest = RtfDest::kSkip;
          return;
        }
        s.dest = RtfDest::kText;
        s.story = output_.BeginStory(static_cast<RtfStoryKind>(k.arg));
        if (k.arg == static_cast<std::int32_t>(RtfStoryKind::kFootnote)) {
          output_.SetLabel(s.story, std::move(noteLabel_));
        }
        noteLabel_.clear();
        return;
      case RtfAction::kNoteReference: NoteReference(s); return;
      case RtfAction::kNoteStart:
        if (t.hasParam && t.param > 0) firstNote_[k.arg] = static_cast<std::uint32_t>(t.param);
        return;
      case RtfAction::kNoteFormat: romanNotes_[k.arg / 2] = k.arg % 2 != 0; return;
      case RtfAction::kFootnoteIsEndnote:
        output_.SetStoryKind(s.story, RtfStoryKind::kEndnote);
        return;
      case RtfAction::kShapeInstance:
        if (s.dest == RtfDest::kText) s.dest = RtfDest::kShape;
        return;
      case RtfAction::kKeep:
      case RtfAction::kUd: return;
      case RtfAction::kUpr:
        s.uprOuter = s.dest;
        s.dest = RtfDest::kUpr;
        return;
      case RtfAction::kChar: Char(s, static_cast<char16_t>(k.arg)); return;
      case RtfAction::kParagraph:
      case RtfAction::kLine:
      case RtfAction::kCell:
      case RtfAction::kRow: Break(s, k.action); return;
      case RtfAction::kUnicode:
        if (t.hasParam) {
          // Negative values stand for the units from 0x8000 on.
          if (s.dest != RtfDest::kFontTable) Char(s, static_cast<char16_t>(t.param & 0xFFFF));
          skip_ = s.uc;
        }
        return;
      case RtfAction::kUnicodeSkip:
        if (t.hasParam) {
          s.uc = static_cast<std::uint8_t>(t.param < 0              ? 0
                                           : t.param > kMaxFallback ? kMaxFallback
                                                                    : t.param);
        }
        return;
      default: break;
    }
    Format(s, k, t);
  }

  // An automatically numbered note's mark shows the note's number, both where
  // the note is referred to and at the start of its text. Footnotes and
  // endnotes count apart; which of them the note is comes after the mark.
  void NoteReference(const RtfState& s) {
    const RtfStoryKind kind = output_.Kind(s.story);
    if (kind == RtfStoryKind::kFootnote || kind == RtfStoryKind::kEndnote) {
      for (char16_t c : output_.Label(s.story)) Char(s, c);
      return;
    }
    int endnote = -1;  // unknown until the note's destination is seen
    bool inNote = false;
    RtfTokenizer ahead = tokens_;
    RtfToken t;
    for (int i = 0; i < kNoteLookahead && ahead.Next(t); ++i) {
      if (t.kind == RtfTokenKind::kText || t.kind == RtfTokenKind::kGroupClose) {
        if (inNote) break;
        if (t.kind == RtfTokenKind::kText) return;  // text before any note: no number
        continue;
      }
      if (t.kind != RtfTokenKind::kWord) continue;
      if (t.word == "footnote") {
        inNote = true;
        endnote = 0;
      } else if (inNote && t.word == "ftnalt") {
        endnote = 1;
        break;
      }
    }
    if (endnote < 0) return;
    const std::uint32_t n = firstNote_[endnote] + counted_[endnote]++;
    noteLabel_ = romanNotes_[endnote] ? LowerRoman(n) : Decimal(n);
    for (char16_t c : noteLabel_) Char(s, c);
  }

  static std::u16string Decimal(std::uint32_t n) {
    std::u16string out;
    for (const char c : std::to_string(n)) out.push_back(static_cast<char16_t>(c));
    return out;
  }

  // Words that change how the text reads, not what it is.
  void Format(RtfState& s, const RtfKeyword& k, const RtfToken& t) {
    switch (k.action) {
      case RtfAction::kFont:
        if (s.dest == RtfDest::kFontTable) {
          fonts_.Define(t.param);
        } else if (t.hasParam) {
          s.font = t.param;
          UpdateEncoding(s);
        }
        return;
      case RtfAction::kDefaultFont:
        defaultFont_ = t.param;
        UpdateEncoding(s);
        return;
      case RtfAction::kFontCharset:
        if (s.dest == RtfDest::kFontTable) fonts_.SetCharset(t.param);
        return;
      case RtfAction::kFontCodePage:
        if (s.dest == RtfDest::kFontTable) fonts_.SetCodePage(t.param);
        return;
      case RtfAction::kAnsiCodePage:
        if (t.hasParam && t.param > 0) codePage_ = static_cast<std::uint32_t>(t.param);
        UpdateEncoding(s);
        return;
      case RtfAction::kCharacterSet:
        codePage_ = static_cast<std::uint32_t>(k.arg);
        UpdateEncoding(s);
        return;
      case RtfAction::kLang: s.langs.western = Language(t); break;
      case RtfAction::kLangFe: s.langs.eastAsian = Language(t); break;
      case RtfAction::kLangBi: s.langs.complex = Language(t); break;
      case RtfAction::kDefLang: defaults_.western = Language(t); break;
      case RtfAction::kDefLangFe: defaults_.eastAsian = Language(t); break;
      case RtfAction::kDefLangBi: defaults_.complex = Language(t); break;
      case RtfAction::kHidden: s.hidden = On(t); return;
      case RtfAction::kDeleted: s.deleted = On(t); return;
      case RtfAction::kPlain:
        s.hidden = false;
        s.deleted = false;
        s.langs = RtfLanguages();
        s.font = -1;
        UpdateEncoding(s);
        break;
      default: return;
    }
    output_.SetDefaultLanguages(defaults_);
    output_.SetLanguages(s.langs);
  }

  RtfTokenizer tokens_;
  RtfOutput output_;
  RtfFonts fonts_;
  RtfCodePages codePages_;
  std::vector<RtfState> stack_;
  std::size_t overflow_ = 0;  // groups opened beyond kMaxDepth
  std::size_t skip_ = 0;      // fallback left to skip after `\uN`
  bool star_ = false;         // `\*` came just before
  std::uint32_t codePage_ = 1252;
  std::int32_t defaultFont_ = 0;
  RtfLanguages defaults_;
  std::u16string noteLabel_;             // the number of the note whose mark came last
  std::uint32_t firstNote_[2] = {1, 1};  // footnotes, endnotes
  std::uint32_t counted_[2] = {0, 0};
  bool romanNotes_[2] = {false, true};
  std::string pending_;  // bytes of a double-byte page not decoded yet
  std::u16string decoded_;
  std::u16string run_;  // text of the current state not sent yet
  std::uint32_t runStory_ = 0;
};

}  // namespace

LoadStatus ExtractRtf(const std::uint8_t* data, std::size_t size, DocumentText& out,
                      const ExtractOptions& options) {
  out = DocumentText();
  try {
    RtfReader reader(data, size, out, options);
    reader.Run();
  } catch (...) {  // out of memory
    out = DocumentText();
    return LoadStatus::kDamaged;
  }
  return LoadStatus::kOk;
}

}  // namespace wordfilt
