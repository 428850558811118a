// Writes zip archives for tests and fuzz targets: stored or deflated
// entries, with or without data descriptors, with ZIP64 fields on demand.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace docflt_test {

struct ZipEntrySpec {
  std::string name;
  std::string data;
  bool deflate = true;
  bool descriptor = false;  // sizes after the data, zero in the local header
  bool zip64 = false;       // sizes and offset in a ZIP64 extra field
  // Overrides the inflated size the directory declares (0: the real one).
  std::uint64_t declaredSize = 0;
};

// An archive of the entries in order; `zip64End` adds the ZIP64 end records.
std::string BuildZip(const std::vector<ZipEntrySpec>& entries, bool zip64End = false);

// The smallest word-processing package around a main document part, with
// optional parts: name and content, related to the main part by type name
// ("styles", "numbering", "footnotes", "header", ...).
struct PackagePart {
  std::string name;  // e.g. "word/footnotes.xml"
  std::string type;  // relationship type's last segment
  std::string id;    // relationship id
  std::string data;
};
std::string BuildPackage(const std::string& documentXml, const std::vector<PackagePart>& parts = {},
                         const std::string& coreXml = std::string());

}  // namespace docflt_test
