#include "wordfilt/ooxml/wordml_reader.h"

#include <memory>

#include "wordfilt/chunks/chunk_writer.h"
#include "wordfilt/ooxml/body_walker.h"
#include "wordfilt/ooxml/names.h"
#include "wordfilt/ooxml/numbering.h"
#include "wordfilt/ooxml/properties.h"
#include "wordfilt/ooxml/styles.h"
#include "wordfilt/xml/xml_input.h"
#include "wordfilt/xml/xml_reader.h"

namespace wordfilt {

LoadStatus ExtractWordXml(const std::uint8_t* data, std::size_t size, DocumentText& out,
                          const ExtractOptions& options) {
  out = DocumentText();
  xml::MemoryInput input(data, size);
  std::size_t count = 0;
  const xml::NamespaceId* known = ooxml::KnownNamespaces(&count);
  xml::Reader reader(input, known, count);
  xml::Event e;
  do {
    e = reader.Next();
  } while (e == xml::Event::kText);
  if (e != xml::Event::kStart || reader.ns() != ooxml::kW || reader.local() != "wordDocument") {
    return LoadStatus::kNotWord;
  }
  // Styles and lists come before the body, the properties before them all.
  ooxml::Styles styles;
  ooxml::Numbering numbering;
  std::unique_ptr<ChunkWriter> writer;
  std::unique_ptr<ooxml::BodyWalker> walker;
  for (;;) {
    e = reader.Next();
    if (e == xml::Event::kEndOfDocument || e == xml::Event::kError) break;
    if (e == xml::Event::kEnd && reader.depth() == 1) break;
    if (e != xml::Event::kStart || reader.depth() != 2) continue;
    const int ns = reader.ns();
    const std::string_view name = reader.local();
    if (ns == ooxml::kOffice && name == "DocumentProperties" && options.properties) {
      ooxml::ReadProperties(reader, out.properties);
    } else if (ns == ooxml::kW && name == "styles") {
      styles.Load(reader);
    } else if (ns == ooxml::kW && name == "lists") {
      numbering.Load(reader);
    } else if (ns == ooxml::kW && name == "body" && !walker) {
      writer = std::make_unique<ChunkWriter>(out, options.chunkChars, styles.defaults().western);
      walker =
          std::make_unique<ooxml::BodyWalker>(*writer, styles, numbering, options.mainTextOnly);
      walker->Walk(reader, ooxml::StoryKind::kMain);
    } else {
      reader.Skip();
    }
  }
  if (walker) {
    walker->Finish();
    writer->Finish();
  }
  out.truncated = reader.failed();
  if (reader.failed() && out.text.empty()) return LoadStatus::kDamaged;
  return LoadStatus::kOk;
}

}  // namespace wordfilt
