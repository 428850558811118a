// Document properties (title, subject, author, keywords) from the core
// properties part or Word 2003's o:DocumentProperties.
#pragma once

#include <vector>

#include "wordfilt/doc/document_text.h"
#include "wordfilt/xml/xml_reader.h"

namespace wordfilt::ooxml {

// Reads the properties inside the element the reader has just started.
void ReadProperties(xml::Reader& reader, std::vector<DocumentProperty>& out);

}  // namespace wordfilt::ooxml
