#include "wordfilt/html/html_reader.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "wordfilt/chunks/chunk_writer.h"
#include "wordfilt/html/html_charset.h"
#include "wordfilt/html/html_entities.h"
#include "wordfilt/html/html_lang.h"
#include "wordfilt/html/html_layout.h"
#include "wordfilt/html/html_tokenizer.h"
#include "wordfilt/plaintext/text_decoder.h"

namespace wordfilt {
namespace {

constexpr std::uint32_t kTitleProperty = 2;
constexpr std::size_t kMaxTitle = 1024;
constexpr std::size_t kMaxLanguages = 64;  // nested elements with their own language

// Elements that never have content or an end tag.
bool IsVoid(std::string_view name) {
  static constexpr std::string_view kVoid[] = {"area",  "base",   "br",    "col",  "embed",
                                               "hr",    "img",    "input", "link", "meta",
                                               "param", "source", "track", "wbr"};
  for (std::string_view v : kVoid) {
    if (name == v) return true;
  }
  return false;
}

bool IsCell(std::string_view name) { return name == "td" || name == "th"; }

// Whether the start of element `next` ends an open element `open` that
// browsers close without an end tag (a paragraph, item, cell or row).
bool EndsImplicitly(std::string_view next, std::string_view open) {
  if (next == open) {
    return open == "p" || open == "li" || open == "dt" || open == "dd" || open == "tr" ||
           open == "option" || IsCell(open);
  }
  return (IsCell(next) && IsCell(open)) || (next == "tr" && IsCell(open));
}

// What an element does to the layout.
enum class Role : std::uint8_t {
  kInline,  // nothing (b, span, a, font, o:p...)
  kBlock,   // its edges break the line
  kBreak,   // br
  kPre,     // white space kept
  kTable,
  kRow,
  kCell,
  kHidden,  // its content is never shown (script, style...)
  kTitle,
  kHead,
  kHeadOnly,  // meta, link, base: allowed in the head
  kBody,
  kRawShown,   // xmp: content shown as it stands
  kTextarea,   // content shown, references decoded
  kPlaintext,  // the rest of the page is text
};

struct ElementRole {
  const char* name;
  Role role;
};

constexpr ElementRole kRoles[] = {
    {"address", Role::kBlock},
    {"article", Role::kBlock},
    {"aside", Role::kBlock},
    {"base", Role::kHeadOnly},
    {"basefont", Role::kHeadOnly},
    {"bgsound", Role::kHeadOnly},
    {"blockquote", Role::kBlock},
    {"body", Role::kBody},
    {"br", Role::kBreak},
    {"caption", Role::kBlock},
    {"center", Role::kBlock},
    {"dd", Role::kBlock},
    {"details", Role::kBlock},
    {"dialog", Role::kBlock},
    {"dir", Role::kBlock},
    {"div", Role::kBlock},
    {"dl", Role::kBlock},
    {"dt", Role::kBlock},
    {"fieldset", Role::kBlock},
    {"figcaption", Role::kBlock},
    {"figure", Role::kBlock},
    {"footer", Role::kBlock},
    {"form", Role::kBlock},
    {"h1", Role::kBlock},
    {"h2", Role::kBlock},
    {"h3", Role::kBlock},
    {"h4", Role::kBlock},
    {"h5", Role::kBlock},
    {"h6", Role::kBlock},
    {"head", Role::kHead},
    {"header", Role::kBlock},
    {"hgroup", Role::kBlock},
    {"hr", Role::kBlock},
    {"html", Role::kHeadOnly},
    {"iframe", Role::kHidden},
    {"legend", Role::kBlock},
    {"li", Role::kBlock},
    {"link", Role::kHeadOnly},
    {"listing", Role::kPre},
    {"main", Role::kBlock},
    {"menu", Role::kBlock},
    {"meta", Role::kHeadOnly},
    {"nav", Role::kBlock},
    {"noembed", Role::kHidden},
    {"noframes", Role::kHidden},
    {"ol", Role::kBlock},
    {"option", Role::kBlock},
    {"p", Role::kBlock},
    {"plaintext", Role::kPlaintext},
    {"pre", Role::kPre},
    {"script", Role::kHidden},
    {"section", Role::kBlock},
    {"style", Role::kHidden},
    {"summary", Role::kBlock},
    {"table", Role::kTable},
    {"td", Role::kCell},
    {"template", Role::kHidden},
    {"textarea", Role::kTextarea},
    {"th", Role::kCell},
    {"title", Role::kTitle},
    {"tr", Role::kRow},
    {"ul", Role::kBlock},
    {"xml", Role::kHidden},
    {"xmp", Role::kRawShown},
};

// Element names packed into two integers: a lookup compares numbers, not
// strings (names are at most 16 bytes: the tokenizer cuts longer ones).
struct NameKey {
  std::uint64_t high = 0, low = 0;
  bool operator==(const NameKey& o) const { return high == o.high && low == o.low; }
};

NameKey Pack(std::string_view name) {
  char bytes[16] = {};
  std::memcpy(bytes, name.data(), std::min<std::size_t>(name.size(), sizeof bytes));
  NameKey key;
  std::memcpy(&key.high, bytes, 8);
  std::memcpy(&key.low, bytes + 8, 8);
  return key;
}

// Open-addressed table of the known names: a tag costs a hash and, mostly,
// one comparison (it is looked up for every tag of the page).
class RoleTable {
 public:
  RoleTable() {
    for (const ElementRole& e : kRoles) {
      const NameKey key = Pack(e.name);
      std::size_t at = Slot(key);
      while (slots_[at].used) at = (at + 1) % kSlots;
      slots_[at] = Entry{key, e.role, true};
    }
  }

  Role Find(std::string_view name) const {
    if (name.size() > 10) return Role::kInline;  // longer than any name in the table
    const NameKey key = Pack(name);
    for (std::size_t at = Slot(key); slots_[at].used; at = (at + 1) % kSlots) {
      if (slots_[at].key == key) return slots_[at].role;
    }
    return Role::kInline;
  }

 private:
  static constexpr std::size_t kSlots = 256;  // well over three times the names
  struct Entry {
    NameKey key;
    Role role = Role::kInline;
    bool used = false;
  };
  static std::size_t Slot(const NameKey& key) {
    return static_cast<std::size_t>(
        (key.high * 0x9E3779B97F4A7C15ull ^ key.low * 0xC2B2AE3D27D4EB4Full) >> 56);
  }
  Entry slots_[kSlots];
};

Role RoleOf(std::string_view name) {
  static const RoleTable table;
  return table.Find(name);
}

// Decodes text bytes and the character references in them.
void DecodeText(TextDecoder& decoder, std::string_view bytes, std::u16string& out) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  std::size_t at = 0;
  while (at < bytes.size()) {
    const void* amp = std::memchr(bytes.data() + at, '&', bytes.size() - at);
    const std::size_t stop =
        amp ? static_cast<std::size_t>(static_cast<const char*>(amp) - bytes.data()) : bytes.size();
    if (stop > at) decoder.Decode(p + at, stop - at, out);
    if (stop == bytes.size()) break;
    char16_t units[2];
    std::size_t count = 0;
    const std::size_t used = DecodeCharacterReference(bytes.substr(stop), units, &count);
    if (used == 0) {
      out.push_back(u'&');
      at = stop + 1;
    } else {
      out.append(units, count);
      at = stop + used;
    }
  }
}

std::u16string CollapseSpaces(std::u16string_view text) {
  std::u16string out;
  bool space = false;
  for (char16_t c : text) {
    if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == 0x0C) {
      space = !out.empty();
      continue;
    }
    if (c < 0x20) continue;
    if (space) out.push_back(u' ');
    space = false;
    out.push_back(c);
  }
  return out;
}

class PageReader {
 public:
  PageReader(const std::uint8_t* data, std::size_t size, std::uint32_t codePage, DocumentText& out,
             const ExtractOptions& options)
      : tokenizer_(data, size),
        decoder_(codePage),
        writer_(out, options.chunkChars),
        layout_(writer_),
        out_(out),
        options_(options) {}

  void Run() {
    writer_.BeginStory();
    HtmlToken token;
    for (;;) {
      tokenizer_.Next(token);
      if (token.kind == HtmlToken::kEnd) break;
      if (token.kind == HtmlToken::kText) {
        OnText(token.text);
      } else if (token.kind == HtmlToken::kStartTag) {
        OnStart(token);
      } else {
        OnEnd(token);
      }
    }
    writer_.EndStory();
    writer_.Finish();
  }

 private:
  void OnText(std::string_view bytes) {
    if (inHead_) return;
    text_.clear();
    DecodeText(decoder_, bytes, text_);
    if (pre_ == 0) {
      layout_.Text(text_);
      return;
    }
    std::u16string_view text(text_);
    // A line end right after <pre> is not part of its content.
    if (preStart_ && !text.empty() && (text[0] == u'\n' || text[0] == u'\r')) {
      const std::size_t skip = text.size() > 1 && text[0] == u'\r' && text[1] == u'\n' ? 2 : 1;
      text.remove_prefix(skip);
    }
    preStart_ = false;
    layout_.PreformattedText(text);
  }

  void OnStart(const HtmlToken& token) {
    const Role role = RoleOf(token.Name());
    if (inHead_ && role != Role::kHeadOnly && role != Role::kHidden && role != Role::kTitle &&
        (role != Role::kInline || token.Name().find(':') == std::string_view::npos)) {
      inHead_ = false;  // body content opens the body, as in a browser
    }
    preStart_ = false;
    if (role != Role::kHidden && role != Role::kTitle && role != Role::kRawShown &&
        role != Role::kTextarea && role != Role::kPlaintext) {
      EnterLanguage(token);
    }
    switch (role) {
      case Role::kInline:
      case Role::kHeadOnly: return;
      case Role::kBlock: layout_.Block(); return;
      case Role::kBreak: layout_.LineBreak(); return;
      case Role::kPre:
        layout_.Block();
        if (!token.selfClosing) {
          ++pre_;
          preStart_ = true;
        }
        return;
      case Role::kTable: layout_.TableStart(); return;
      case Role::kRow: layout_.RowStart(); return;
      case Role::kCell: layout_.CellStart(); return;
      case Role::kHidden: tokenizer_.RawText(token.Name()); return;
      case Role::kTitle: OnTitle(tokenizer_.RawText("title")); return;
      case Role::kHead: inHead_ = !bodySeen_; return;
      case Role::kBody:
        inHead_ = false;
        bodySeen_ = true;
        layout_.Block();
        return;
      case Role::kRawShown:
      case Role::kTextarea:
      case Role::kPlaintext: {
        const std::string_view raw = role == Role::kPlaintext ? tokenizer_.RawText("\x01")
                                                              : tokenizer_.RawText(token.Name());
        text_.clear();
        if (role == Role::kTextarea) {
          DecodeText(decoder_, raw, text_);
        } else {
          decoder_.Decode(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size(), text_);
        }
        layout_.Block();
        layout_.PreformattedText(text_);
        layout_.Block();
        return;
      }
    }
  }

  // Elements with a "lang" attribute set the language of their text until
  // their end (or the start of an element that ends them implicitly).
  void EnterLanguage(const HtmlToken& token) {
    const std::string_view name = token.Name();
    while (!languages_.empty() && EndsImplicitly(name, languages_.back().name)) {
      SetLocale(languages_.back().previous);
      languages_.pop_back();
    }
    std::string_view tag = token.Attribute("lang");
    if (tag.empty()) tag = token.Attribute("xml:lang");
    if (tag.empty() || token.selfClosing || IsVoid(name) || languages_.size() >= kMaxLanguages) {
      return;
    }
    const std::uint32_t lcid = LcidFromLanguageTag(tag);
    if (lcid == 0) return;
    languages_.push_back(Language{std::string(name), locale_});
    SetLocale(lcid);
  }

  void LeaveLanguage(std::string_view name) {
    for (std::size_t i = languages_.size(); i-- > 0;) {
      if (languages_[i].name != name) continue;
      SetLocale(languages_[i].previous);
      languages_.resize(i);
      return;
    }
  }

  void SetLocale(std::uint32_t lcid) {
    locale_ = lcid;
    writer_.SetLocale(lcid);
  }

  void OnEnd(const HtmlToken& token) {
    preStart_ = false;
    if (!languages_.empty()) LeaveLanguage(token.Name());
    switch (RoleOf(token.Name())) {
      case Role::kBlock:
      case Role::kBody: layout_.Block(); return;
      case Role::kBreak: layout_.LineBreak(); return;  // "</br>" breaks as "<br>" does
      case Role::kPre:
        if (pre_ > 0) --pre_;
        layout_.Block();
        return;
      case Role::kTable: layout_.TableEnd(); return;
      case Role::kRow: layout_.RowEnd(); return;
      case Role::kHead: inHead_ = false; return;
      default: return;
    }
  }

  void OnTitle(std::string_view raw) {
    if (titleSeen_ || !options_.properties) return;
    titleSeen_ = true;
    text_.clear();
    DecodeText(decoder_, raw.substr(0, kMaxTitle * 4), text_);
    std::u16string title = CollapseSpaces(text_);
    if (title.size() > kMaxTitle) title.resize(kMaxTitle);
    if (title.empty()) return;
    DocumentProperty property;
    property.id = kTitleProperty;
    property.value = std::move(title);
    out_.properties.push_back(std::move(property));
  }

  HtmlTokenizer tokenizer_;
  TextDecoder decoder_;
  ChunkWriter writer_;
  HtmlLayout layout_;
  DocumentText& out_;
  const ExtractOptions& options_;
  struct Language {
    std::string name;        // the element that set it
    std::uint32_t previous;  // the language outside it (0: the default)
  };
  std::vector<Language> languages_;
  std::uint32_t locale_ = 0;
  std::u16string text_;
  int pre_ = 0;
  bool preStart_ = false;
  bool inHead_ = false;
  bool bodySeen_ = false;
  bool titleSeen_ = false;
};

// The page's bytes as UTF-8, for pages in UTF-16: the tokenizer reads markup
// byte by byte.
std::string ToUtf8(std::uint32_t codePage, const std::uint8_t* data, std::size_t size) {
  TextDecoder decoder(codePage);
  std::u16string wide;
  decoder.Decode(data, size, wide);
  std::string utf8;
  utf8.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    std::uint32_t c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00u);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      utf8.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      utf8.push_back(static_cast<char>(0xC0 | c >> 6));
      utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      utf8.push_back(static_cast<char>(0xE0 | c >> 12));
      utf8.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      utf8.push_back(static_cast<char>(0xF0 | c >> 18));
      utf8.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return utf8;
}

}  // namespace

LoadStatus ExtractHtmlIn(std::uint32_t codePage, const std::uint8_t* data, std::size_t size,
                         DocumentText& out, const ExtractOptions& options) {
  out = DocumentText();
  if (!data) size = 0;
  std::size_t bom = 0;
  if (const std::uint32_t marked = CodePageFromBom(data, size, &bom)) codePage = marked;
  data += bom;
  size -= bom;
  if (codePage == kCodePageUtf16Le || codePage == kCodePageUtf16Be) {
    const std::string utf8 = ToUtf8(codePage, data, size);
    PageReader(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size(), kCodePageUtf8, out,
               options)
        .Run();
    return LoadStatus::kOk;
  }
  if (codePage == 0) codePage = DeclaredCodePage(data, size);
  if (codePage == 0) codePage = IsValidUtf8(data, size) ? kCodePageUtf8 : SystemTextCodePage();
  PageReader(data, size, codePage, out, options).Run();
  return LoadStatus::kOk;
}

LoadStatus ExtractHtml(const std::uint8_t* data, std::size_t size, DocumentText& out,
                       const ExtractOptions& options) {
  return ExtractHtmlIn(0, data, size, out, options);
}

}  // namespace wordfilt
