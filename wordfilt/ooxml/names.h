// The namespaces the readers of word-processing XML tell apart. Word 2003's
// vocabulary and both dialects of the later one share the "w" id: their
// element names agree wherever the readers look.
#pragma once

#include <cstddef>

#include "wordfilt/xml/xml_reader.h"

namespace wordfilt::ooxml {

enum Ns : int {
  kW = 0,
  kR,     // relationship ids
  kMc,    // alternate content
  kRels,  // a part's relationships
  kContentTypes,
  kDc,
  kCp,
  kOffice,   // Word 2003's document properties
  kAuxHint,  // Word 2003's computed list numbers
  kAml,      // Word 2003's annotations (comments, revisions)
};

const xml::NamespaceId* KnownNamespaces(std::size_t* count);

}  // namespace wordfilt::ooxml
