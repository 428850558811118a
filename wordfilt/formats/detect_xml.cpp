#include "wordfilt/formats/detect_xml.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "wordfilt/xml/xml_input.h"
#include "wordfilt/xml/xml_reader.h"

namespace wordfilt {
namespace {

// The root follows the declaration, comments and a document type
// declaration: a real file names it within its first few kilobytes.
constexpr std::size_t kLookAhead = 64 * 1024;
constexpr xml::NamespaceId kWordXml[] = {
    {"http://schemas.microsoft.com/office/word/2003/wordml", 0}};

}  // namespace

bool IsWordXml(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < 4) return false;
  // Only text that starts like XML (after a byte-order mark, in UTF-8 or
  // UTF-16) is given to the parser.
  std::size_t at = 0;
  if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) at = 3;
  const bool utf16 = (data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF) ||
                     (data[0] == '<' && data[1] == 0) || (data[0] == 0 && data[1] == '<');
  if (!utf16) {
    while (at < size && at < 1024 &&
           (data[at] == ' ' || data[at] == '\t' || data[at] == '\r' || data[at] == '\n')) {
      ++at;
    }
    if (at >= size || data[at] != '<') return false;
  }
  xml::MemoryInput input(data, std::min(size, kLookAhead));
  xml::Reader reader(input, kWordXml, std::size(kWordXml));
  for (;;) {
    const xml::Event e = reader.Next();
    if (e == xml::Event::kStart) return reader.ns() == 0 && reader.local() == "wordDocument";
    if (e != xml::Event::kText) return false;
  }
}

}  // namespace wordfilt
