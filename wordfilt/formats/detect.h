// Recognises a document's format by its content, never by its name.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wordfilt {

enum class Format {
  kUnknown,   // none of the formats below (WordPerfect, PDF, images, binary data)
  kCompound,  // a compound file: Word 97-2003, Word 6/95 (or another program's file)
  kWord2,     // a Word 2 (or Word 1) binary, which is no compound file
  kRtf,
  kOoxml,    // a zip package: docx, docm, dotx, dotm
  kWordXml,  // Word 2003 XML (a single XML file whose root is wordDocument)
  kHtml,
  kMhtml,  // a web page archive: MIME multipart with an HTML part
  kPlainText,
};

Format DetectFormat(const std::uint8_t* data, std::size_t size);

}  // namespace wordfilt
