#include "wordfilt/ooxml/styles.h"

#include <cstdlib>

#include "wordfilt/ooxml/language_tags.h"
#include "wordfilt/ooxml/names.h"

namespace wordfilt::ooxml {
namespace {

// Styles based on styles deeper than this are damaged (or loops).
constexpr int kMaxBasedOn = 16;

}  // namespace

Languages LanguagesOf(const xml::Reader& reader) {
  Languages l;
  l.western = LcidFromTag(reader.Attr(kW, "val"));
  std::string_view fe = reader.Attr(kW, "eastAsia");
  if (fe.empty()) fe = reader.Attr(kW, "fareast");
  l.eastAsian = LcidFromTag(fe);
  l.complex = LcidFromTag(reader.Attr(kW, "bidi"));
  return l;
}

void Styles::Load(xml::Reader& reader) {
  const std::size_t base = reader.depth();
  Style* style = nullptr;
  bool defaults = false;      // in docDefaults
  bool defaultStyle = false;  // in the default paragraph style
  bool inParagraphProps = false;
  bool inRunProps = false;
  for (;;) {
    const xml::Event e = reader.Next();
    if (e == xml::Event::kEndOfDocument || e == xml::Event::kError) return;
    if (e == xml::Event::kEnd) {
      if (reader.depth() == base) return;
      if (reader.ns() != kW) continue;
      const std::string_view name = reader.local();
      if (name == "style") {
        style = nullptr;
        defaultStyle = false;
      }
      if (name == "docDefaults") defaults = false;
      if (name == "pPr") inParagraphProps = false;
      if (name == "rPr") inRunProps = false;
      continue;
    }
    if (e != xml::Event::kStart || reader.ns() != kW) continue;
    const std::string_view name = reader.local();
    if (name == "style") {
      style = &styles_.try_emplace(std::string(reader.Attr(kW, "styleId"))).first->second;
      // The default paragraph style's languages are the document's in Word 2003.
      if (reader.Attr(kW, "type") == "paragraph" &&
          (reader.Attr(kW, "default") == "on" || reader.Attr(kW, "default") == "1")) {
        defaultStyle = true;
      }
    } else if (name == "docDefaults") {
      defaults = true;
    } else if (name == "basedOn" && style != nullptr) {
      style->basedOn.assign(reader.Attr(kW, "val"));
    } else if (name == "pPr") {
      inParagraphProps = true;
    } else if (name == "rPr") {
      inRunProps = true;
    } else if (name == "lang" && inRunProps) {
      const Languages l = ooxml::LanguagesOf(reader);
      if (style != nullptr) style->languages = style->languages.Over(l);
      if (defaults || defaultStyle) defaults_ = defaults_.Over(l);
    } else if ((name == "numId" || name == "ilfo") && inParagraphProps && style != nullptr) {
      style->listId.assign(reader.Attr(kW, "val"));
    } else if (name == "ilvl" && inParagraphProps && style != nullptr) {
      style->listLevel = std::atoi(std::string(reader.Attr(kW, "val").substr(0, 4)).c_str());
    }
  }
}

const Styles::Style* Styles::Find(std::string_view id) const {
  if (id.empty()) return nullptr;
  const auto found = styles_.find(std::string(id));
  return found == styles_.end() ? nullptr : &found->second;
}

Languages Styles::LanguagesOf(std::string_view styleId) const {
  // The chain from the style to its root; the root's languages apply first.
  const Style* chain[kMaxBasedOn];
  int n = 0;
  for (const Style* s = Find(styleId); s != nullptr && n < kMaxBasedOn; s = Find(s->basedOn)) {
    chain[n++] = s;
  }
  Languages l = defaults_;
  while (n-- > 0) l = l.Over(chain[n]->languages);
  return l;
}

std::string_view Styles::ListOf(std::string_view styleId, int* level) const {
  int depth = 0;
  for (const Style* s = Find(styleId); s != nullptr && depth < kMaxBasedOn;
       s = Find(s->basedOn), ++depth) {
    if (!s->listId.empty()) {
      *level = s->listLevel;
      return s->listId;
    }
  }
  return std::string_view();
}

}  // namespace wordfilt::ooxml
