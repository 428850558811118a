#include "wordfilt/ooxml/body_walker.h"

#include <algorithm>
#include <cstdlib>

#include "wordfilt/doc/fonts.h"
#include "wordfilt/doc/languages.h"
#include "wordfilt/ooxml/language_tags.h"
#include "wordfilt/ooxml/names.h"
#include "wordfilt/xml/xml_text.h"

namespace wordfilt::ooxml {

enum BodyWalker::Kind : std::uint8_t {
  kOther,
  kParagraph,
  kParagraphProps,
  kListProps,  // numPr, or Word 2003's listPr
  kRun,
  kRunProps,
  kText,
  kRow,
  kCell,
  kSection,
  kAlternate,
};

struct BodyWalker::Story {
  StoryKind kind;
  struct Piece {
    std::uint32_t locale;
    std::u16string text;
  };
  std::vector<Piece> pieces;
};

struct BodyWalker::Context {
  Story* story = nullptr;  // null: the main text, straight to the writer
  StoryKind kind = StoryKind::kMain;
  std::size_t depth = 0;  // the reader's depth at the element that began it
  char16_t pending = 0;   // a paragraph end or cell separator not yet written
  // Fields: whether each open field has reached its result; instructions
  // of any open field are hidden.
  std::vector<bool> fields;
  std::size_t hiddenFields = 0;
  std::size_t overflowFields = 0;
  // The paragraph's style languages and list, and the run's.
  Languages paragraph;
  Languages run;
  bool runHidden = false;
  std::string listId;
  int listLevel = 0;
  bool listSet = false;
};

namespace {

constexpr std::size_t kMaxFieldDepth = 256;
constexpr char16_t kSoftHyphen = 0x00AD;

bool On(std::string_view val) { return !(val == "0" || val == "false" || val == "off"); }

std::uint32_t Hex(std::string_view s) {
  std::uint32_t v = 0;
  for (char c : s.substr(0, 8)) {
    int d;
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else {
      return 0;
    }
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  return v;
}

// Elements whose content is never text: deleted text, field instructions,
// revision records, embedded binaries, the property blocks of content controls.
bool Skipped(std::string_view name) {
  switch (name.size()) {
    case 3: return name == "del";
    case 7: return name == "delText" || name == "binData" || name == "fldData" || name == "sdtPr";
    case 8: return name == "moveFrom" || name == "sdtEndPr";
    case 9: return name == "instrText" || name == "rPrChange" || name == "pPrChange";
    case 10: return name == "docOleData" || name == "tcPrChange" || name == "trPrChange";
    case 11: return name == "tblPrChange" || name == "sectPrChange";
    case 12: return name == "delInstrText";
    case 13: return name == "tblGridChange";
    case 15: return name == "numberingChange";
    default: return false;
  }
}

}  // namespace

BodyWalker::BodyWalker(ChunkWriter& writer, const Styles& styles, Numbering& numbering,
                       bool mainTextOnly)
    : writer_(writer), styles_(styles), numbering_(numbering), mainTextOnly_(mainTextOnly) {}

BodyWalker::~BodyWalker() = default;

BodyWalker::Kind BodyWalker::ParentKind(std::size_t up) const {
  return kinds_.size() > up ? kinds_[kinds_.size() - 1 - up] : kOther;
}

void BodyWalker::Walk(xml::Reader& reader, StoryKind kind) {
  kinds_.clear();
  choiceTaken_.clear();
  const std::size_t base = reader.depth();
  if (kind == StoryKind::kMain) {
    Context c;
    c.depth = base;
    c.paragraph = c.run = styles_.defaults();
    contexts_.push_back(c);
  } else {
    if (mainTextOnly_) {
      reader.Skip();
      return;
    }
    PushStory(kind, base);
  }
  for (;;) {
    const xml::Event e = reader.Next();
    if (e == xml::Event::kEndOfDocument || e == xml::Event::kError) break;
    if (e == xml::Event::kText) {
      if (!kinds_.empty() && kinds_.back() == kText) Text(reader.text());
      continue;
    }
    if (e == xml::Event::kStart) {
      StartElement(reader);
      continue;
    }
    // An end event.
    if (reader.depth() == base) break;
    EndElement(reader);
  }
  // Whatever the input left open ends with the part.
  while (!contexts_.empty()) {
    Flush(contexts_.back());
    contexts_.pop_back();
  }
}

void BodyWalker::PushStory(StoryKind kind, std::size_t depth) {
  stories_.push_back(std::make_unique<Story>());
  stories_.back()->kind = kind;
  Context c;
  c.story = stories_.back().get();
  c.kind = kind;
  c.depth = depth;
  c.paragraph = c.run = styles_.defaults();
  contexts_.push_back(std::move(c));
}

void BodyWalker::StartElement(xml::Reader& reader) {
  Context& c = contexts_.back();
  const int ns = reader.ns();
  const std::string_view name = reader.local();
  Kind kind = kOther;
  if (ns == kW) {
    if (Skipped(name)) {
      reader.Skip();
      return;
    }
    const Kind parent = ParentKind(0);
    switch (name[0]) {
      case 'b':
        if (name == "br" && parent == kRun) EmitChar(c, u'\n');
        break;
      case 'c':
        if (name == "cr" && parent == kRun) EmitChar(c, u'\n');
        if (name == "comment") {
          if (mainTextOnly_) return reader.Skip();
          PushStory(StoryKind::kComment, reader.depth());
        }
        break;
      case 'e':
        if (name == "endnote") {
          const std::string_view type = reader.Attr(kW, "type");
          if (mainTextOnly_ || (!type.empty() && type != "normal")) return reader.Skip();
          PushStory(StoryKind::kEndnote, reader.depth());
        }
        break;
      case 'f':
        if (name == "fldChar") {
          const std::string_view type = reader.Attr(kW, "fldCharType");
          if (type == "begin") {
            if (c.fields.size() >= kMaxFieldDepth) {
              ++c.overflowFields;
              ++c.hiddenFields;
            } else {
              c.fields.push_back(false);
              ++c.hiddenFields;
            }
          } else if (type == "separate") {
            if (c.overflowFields == 0 && !c.fields.empty() && !c.fields.back()) {
              c.fields.back() = true;
              --c.hiddenFields;
            }
          } else if (type == "end") {
            if (c.overflowFields != 0) {
              --c.overflowFields;
              --c.hiddenFields;
            } else if (!c.fields.empty()) {
              if (!c.fields.back()) --c.hiddenFields;
              c.fields.pop_back();
            }
          }
        } else if (name == "footnote") {
          const std::string_view type = reader.Attr(kW, "type");
          if (mainTextOnly_ || (!type.empty() && type != "normal")) return reader.Skip();
          PushStory(StoryKind::kFootnote, reader.depth());
        } else if (name == "footerReference") {
          headerIds_.emplace_back(reader.Attr(kR, "id"));
        } else if (name == "ftr" && parent == kSection) {
          if (mainTextOnly_) return reader.Skip();
          PushStory(StoryKind::kHeader, reader.depth());
        }
        break;
      case 'h':
        if (name == "headerReference") {
          headerIds_.emplace_back(reader.Attr(kR, "id"));
        } else if (name == "hdr" && parent == kSection) {
          if (mainTextOnly_) return reader.Skip();
          PushStory(StoryKind::kHeader, reader.depth());
        }
        break;
      case 'i':
        if (name == "ilvl" && parent == kListProps) {
          c.listLevel = std::atoi(std::string(reader.Attr(kW, "val").substr(0, 4)).c_str());
          c.listSet = true;
        } else if (name == "ilfo" && parent == kListProps) {
          c.listId.assign(reader.Attr(kW, "val"));
          c.listSet = true;
        }
        break;
      case 'l':
        if (name == "lang" && parent == kRunProps && ParentKind(1) == kRun) {
          c.run = c.run.Over(LanguagesOf(reader));
        } else if (name == "listPr" && parent == kParagraphProps) {
          kind = kListProps;
        }
        break;
      case 'n':
        if (name == "noBreakHyphen" && parent == kRun) {
          EmitChar(c, u'-');
        } else if (name == "numPr" && parent == kParagraphProps) {
          kind = kListProps;
        } else if (name == "numId" && parent == kListProps) {
          c.listId.assign(reader.Attr(kW, "val"));
          c.listSet = true;
        }
        break;
      case 'p':
        if (name == "p") {
          Flush(c);
          kind = kParagraph;
          c.paragraph = c.run = styles_.defaults();
          c.listId.clear();
          c.listLevel = 0;
          c.listSet = false;
        } else if (name == "pPr" && parent == kParagraph) {
          kind = kParagraphProps;
        } else if (name == "pStyle" && parent == kParagraphProps) {
          const std::string_view id = reader.Attr(kW, "val");
          c.paragraph = c.run = styles_.LanguagesOf(id);
          if (!c.listSet) {
            int level = 0;
            const std::string_view list = styles_.ListOf(id, &level);
            c.listId.assign(list);
            c.listLevel = level;
          }
        } else if (name == "ptab" && parent == kRun) {
          EmitChar(c, u'\t');
        }
        break;
      case 'r':
        if (name == "r") {
          kind = kRun;
          c.run = c.paragraph;
          c.runHidden = false;
        } else if (name == "rPr" && parent == kRun) {
          kind = kRunProps;
        } else if (name == "rStyle" && parent == kRunProps) {
          c.run = c.run.Over(styles_.LanguagesOf(reader.Attr(kW, "val")));
        }
        break;
      case 's':
        if (name == "sym" && parent == kRun) {
          char16_t ch = static_cast<char16_t>(Hex(reader.Attr(kW, "char")));
          const std::string_view font = reader.Attr(kW, "font");
          // The Symbol font has Unicode equivalents; other symbol fonts'
          // pictures say nothing in text.
          if (font == "Symbol") {
            ch = SymbolFontChar(ch);
          } else if (ch >= 0xF000 && ch <= 0xF0FF) {
            ch = 0;
          }
          if (ch >= 0x20) EmitChar(c, ch);
        } else if (name == "softHyphen" && parent == kRun) {
          EmitChar(c, kSoftHyphen);
        } else if (name == "sectPr") {
          kind = kSection;
        }
        break;
      case 't':
        if (name == "t") {
          kind = kText;
        } else if (name == "tab" && parent == kRun) {
          EmitChar(c, u'\t');
        } else if (name == "tc") {
          Flush(c);
          kind = kCell;
        } else if (name == "tr") {
          Flush(c);
          kind = kRow;
        } else if (name == "txbxContent") {
          if (mainTextOnly_) return reader.Skip();
          const bool inHeader = c.kind == StoryKind::kHeader || c.kind == StoryKind::kHeaderTextBox;
          PushStory(inHeader ? StoryKind::kHeaderTextBox : StoryKind::kTextBox, reader.depth());
        }
        break;
      case 'v':
        if (name == "vanish" && parent == kRunProps && ParentKind(1) == kRun) {
          c.runHidden = On(reader.Attr(kW, "val"));
        }
        break;
      default: break;
    }
  } else if (ns == kMc) {
    if (name == "AlternateContent") {
      kind = kAlternate;
      choiceTaken_.push_back(false);
    } else if (ParentKind(0) == kAlternate && !choiceTaken_.empty()) {
      // The first choice, or the fallback when there is none: never both.
      if (choiceTaken_.back()) return reader.Skip();
      choiceTaken_.back() = true;
    }
  } else if (ns == kAml && name == "annotation") {
    const std::string_view type = reader.Attr(kW, "type");
    if (type == "Word.Deletion") return reader.Skip();
    if (type == "Word.Comment") {
      if (mainTextOnly_) return reader.Skip();
      PushStory(StoryKind::kComment, reader.depth());
    }
  }
  kinds_.push_back(kind);
}

void BodyWalker::EndElement(xml::Reader& reader) {
  Context& c = contexts_.back();
  if (contexts_.size() > 1 && reader.depth() == c.depth) {
    // The end of a note, comment, header or text box.
    Flush(c);
    contexts_.pop_back();
    if (!kinds_.empty()) kinds_.pop_back();
    return;
  }
  if (kinds_.empty()) return;
  const Kind kind = kinds_.back();
  kinds_.pop_back();
  switch (kind) {
    case kParagraph: c.pending = u'\n'; break;
    case kParagraphProps: ListLabel(c); break;
    case kCell: c.pending = u'\t'; break;
    case kRow: c.pending = u'\n'; break;
    case kRun:
      c.run = c.paragraph;
      c.runHidden = false;
      break;
    case kAlternate:
      if (!choiceTaken_.empty()) choiceTaken_.pop_back();
      break;
    default: break;
  }
}

void BodyWalker::ListLabel(Context& c) {
  if (c.listId.empty() || c.listId == "0") return;
  label_.clear();
  numbering_.Next(c.listId, c.listLevel, label_);
  if (!label_.empty()) Emit(c, label_);
}

void BodyWalker::Text(std::string_view utf8) {
  Context& c = contexts_.back();
  if (c.runHidden || c.hiddenFields != 0) return;
  scratch_.clear();
  xml::AppendUtf16(utf8, scratch_);
  Emit(c, scratch_);
}

void BodyWalker::Flush(Context& c) {
  if (c.pending == 0) return;
  const char16_t pending = c.pending;
  c.pending = 0;
  Write(c, std::u16string_view(&pending, 1), 0);
}

void BodyWalker::EmitChar(Context& c, char16_t ch) {
  if (c.runHidden || c.hiddenFields != 0) return;
  Emit(c, std::u16string_view(&ch, 1));
}

// Text in the run's languages: the East-Asian and complex-script languages
// apply to their scripts' letters.
void BodyWalker::Emit(Context& c, std::u16string_view text) {
  Flush(c);
  const Languages& l = c.run;
  if (l.eastAsian == 0 && l.complex == 0) {
    Write(c, text, l.western);
    return;
  }
  std::size_t from = 0;
  std::uint32_t current = l.western;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t ch = text[i];
    if (ch < 0x80) continue;
    const Script s = ClassifyChar(ch);
    std::uint32_t want = current;
    if (IsEastAsian(s)) {
      want = l.eastAsian ? l.eastAsian : l.western;
    } else if (IsComplex(s)) {
      want = l.complex ? l.complex : l.western;
    } else if (s != Script::kNeutral) {
      want = l.western;
    }
    if (want != current) {
      if (i > from) Write(c, text.substr(from, i - from), current);
      from = i;
      current = want;
    }
  }
  Write(c, text.substr(from), current);
}

void BodyWalker::Write(Context& c, std::u16string_view text, std::uint32_t locale) {
  if (text.empty()) return;
  if (c.story == nullptr) {
    if (locale != 0) writer_.SetLocale(locale);
    writer_.Put(text);
    return;
  }
  auto& pieces = c.story->pieces;
  if (pieces.empty() || (locale != 0 && pieces.back().locale != locale)) {
    pieces.push_back({locale ? locale : (pieces.empty() ? 0 : pieces.back().locale), {}});
  }
  pieces.back().text.append(text);
}

void BodyWalker::Finish() {
  // The Word reader's order: notes, headers and footers, comments,
  // endnotes, text boxes, the headers' text boxes.
  std::stable_sort(stories_.begin(), stories_.end(),
                   [](const std::unique_ptr<Story>& a, const std::unique_ptr<Story>& b) {
                     return a->kind < b->kind;
                   });
  for (const auto& story : stories_) {
    bool any = false;
    for (const auto& piece : story->pieces) {
      if (piece.text.find_first_not_of(u"\n\t ") != std::u16string::npos) any = true;
    }
    if (!any) continue;
    writer_.BeginStory();
    for (const auto& piece : story->pieces) {
      writer_.SetLocale(piece.locale);
      writer_.Put(piece.text);
    }
    writer_.EndStory();
  }
  stories_.clear();
}

}  // namespace wordfilt::ooxml
