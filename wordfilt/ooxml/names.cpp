#include "wordfilt/ooxml/names.h"

#include <iterator>

namespace wordfilt::ooxml {
namespace {

constexpr xml::NamespaceId kKnown[] = {
    {"http://schemas.openxmlformats.org/wordprocessingml/2006/main", kW},
    {"http://purl.oclc.org/ooxml/wordprocessingml/main", kW},
    {"http://schemas.microsoft.com/office/word/2003/wordml", kW},
    {"http://schemas.openxmlformats.org/officeDocument/2006/relationships", kR},
    {"http://purl.oclc.org/ooxml/officeDocument/relationships", kR},
    {"http://schemas.openxmlformats.org/markup-compatibility/2006", kMc},
    {"http://schemas.openxmlformats.org/package/2006/relationships", kRels},
    {"http://schemas.openxmlformats.org/package/2006/content-types", kContentTypes},
    {"http://purl.org/dc/elements/1.1/", kDc},
    {"http://schemas.openxmlformats.org/package/2006/metadata/core-properties", kCp},
    {"urn:schemas-microsoft-com:office:office", kOffice},
    {"http://schemas.microsoft.com/office/word/2003/auxHint", kAuxHint},
    {"http://schemas.microsoft.com/aml/2001/core", kAml},
};

}  // namespace

const xml::NamespaceId* KnownNamespaces(std::size_t* count) {
  *count = std::size(kKnown);
  return kKnown;
}

}  // namespace wordfilt::ooxml
