// Feeds arbitrary bytes to the readers of word-processing XML. Input that
// starts like a zip goes to the package reader as it is; other input is cut
// into a main document, styles, numbering and footnotes part and packed into
// a package with stored entries, so that the fuzzer reaches the XML without
// having to produce deflate streams; it is also read as Word 2003 XML.
// Checks that the chunks always tile the text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/zip_builder.h"
#include "wordfilt/ooxml/ooxml_reader.h"
#include "wordfilt/ooxml/wordml_reader.h"

namespace {

void CheckChunks(const wordfilt::DocumentText& t) {
  std::size_t at = 0;
  for (const wordfilt::TextChunk& c : t.chunks) {
    if (c.offset != at || c.length == 0) __builtin_trap();
    at += c.length;
  }
  if (at != t.text.size()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  wordfilt::DocumentText out;
  if (size >= 2 && data[0] == 'P' && data[1] == 'K') {
    wordfilt::ExtractOoxml(data, size, out);
    CheckChunks(out);
    return 0;
  }
  // Parts are separated by "@@@".
  const std::string all(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (pieces.size() < 4) {
    const std::size_t at = all.find("@@@", start);
    if (at == std::string::npos) {
      pieces.push_back(all.substr(start));
      break;
    }
    pieces.push_back(all.substr(start, at - start));
    start = at + 3;
  }
  pieces.resize(4);
  const std::string zip =
      docflt_test::BuildPackage(pieces[0], {{"word/styles.xml", "styles", "rId1", pieces[1]},
                                            {"word/numbering.xml", "numbering", "rId2", pieces[2]},
                                            {"word/footnotes.xml", "footnotes", "rId3", pieces[3]},
                                            {"word/header1.xml", "header", "rH", pieces[3]}});
  wordfilt::ExtractOoxml(reinterpret_cast<const std::uint8_t*>(zip.data()), zip.size(), out);
  CheckChunks(out);
  wordfilt::ExtractWordXml(data, size, out);
  CheckChunks(out);
  return 0;
}
