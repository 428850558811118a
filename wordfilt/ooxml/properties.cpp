#include "wordfilt/ooxml/properties.h"

#include "wordfilt/ooxml/names.h"
#include "wordfilt/xml/xml_text.h"

namespace wordfilt::ooxml {
namespace {

// Ids in the summary information property set.
constexpr std::uint32_t kTitle = 2;
constexpr std::uint32_t kSubject = 3;
constexpr std::uint32_t kAuthor = 4;
constexpr std::uint32_t kKeywords = 5;
// A property value longer than this is cut: it is a label, not a text.
constexpr std::size_t kMaxValue = 32768;

std::uint32_t IdOf(int ns, std::string_view name) {
  if (ns == kDc) {
    if (name == "title") return kTitle;
    if (name == "subject") return kSubject;
    if (name == "creator") return kAuthor;
  } else if (ns == kCp) {
    if (name == "keywords") return kKeywords;
  } else if (ns == kOffice) {
    if (name == "Title") return kTitle;
    if (name == "Subject") return kSubject;
    if (name == "Author") return kAuthor;
    if (name == "Keywords") return kKeywords;
  }
  return 0;
}

}  // namespace

void ReadProperties(xml::Reader& reader, std::vector<DocumentProperty>& out) {
  const std::size_t base = reader.depth();
  std::string value;
  for (;;) {
    const xml::Event e = reader.Next();
    if (e == xml::Event::kEndOfDocument || e == xml::Event::kError) return;
    if (e == xml::Event::kEnd && reader.depth() == base) return;
    if (e != xml::Event::kStart || reader.depth() != base + 1) continue;
    const std::uint32_t id = IdOf(reader.ns(), reader.local());
    if (id == 0) {
      reader.Skip();
      continue;
    }
    // The value: the element's text, whatever markup lies inside.
    value.clear();
    const std::size_t depth = reader.depth();
    for (;;) {
      const xml::Event v = reader.Next();
      if (v == xml::Event::kText && value.size() < kMaxValue) value.append(reader.text());
      if (v == xml::Event::kEndOfDocument || v == xml::Event::kError) break;
      if (v == xml::Event::kEnd && reader.depth() == depth) break;
    }
    if (value.size() > kMaxValue) value.resize(kMaxValue);
    const std::size_t first = value.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) continue;
    value.erase(0, first);
    value.erase(value.find_last_not_of(" \t\r\n") + 1);
    bool seen = false;
    for (const DocumentProperty& p : out) seen = seen || p.id == id;
    if (seen) continue;
    DocumentProperty p;
    p.id = id;
    xml::AppendUtf16(value, p.value);
    out.push_back(std::move(p));
  }
}

}  // namespace wordfilt::ooxml
