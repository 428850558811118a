// The parts of a word-processing package and how they find each other:
// relationships, part names, content types.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "wordfilt/xml/xml_reader.h"
#include "wordfilt/zip/zip_archive.h"
#include "wordfilt/zip/zip_entry_stream.h"

namespace wordfilt::ooxml {

struct Relationship {
  std::string id;
  std::string type;
  std::string target;  // the part name it resolves to (internal targets only)
};

// True when a relationship type ends in "/" + `name` (both dialects' URIs).
bool TypeIs(std::string_view type, std::string_view name);

// The part name a relative or absolute target names, seen from `source`
// ("" for the package); percent escapes decoded, "." and ".." resolved.
std::string ResolveTarget(std::string_view source, std::string_view target);

// The relationships part of `part` ("word/_rels/document.xml.rels").
std::string RelationshipsPartOf(std::string_view part);

// An entry of the archive as XML input, inflated while it is read.
class PartInput : public xml::Input {
 public:
  explicit PartInput(zip::ZipEntryStream& stream) : stream_(stream) {}
  std::size_t Read(std::uint8_t* buffer, std::size_t n) override { return stream_.Read(buffer, n); }

 private:
  zip::ZipEntryStream& stream_;
};

class Package {
 public:
  explicit Package(const zip::ZipArchive& zip) : zip_(zip) {}

  // The relationships of `part` ("" for the package's own).
  std::vector<Relationship> RelationshipsOf(std::string_view part) const;

  // The content type the package gives a part, or "".
  std::string ContentTypeOf(std::string_view part);

  const zip::ZipArchive& zip() const { return zip_; }

 private:
  void LoadContentTypes();

  const zip::ZipArchive& zip_;
  bool typesLoaded_ = false;
  std::vector<std::pair<std::string, std::string>> overrides_;  // part name, type
  std::vector<std::pair<std::string, std::string>> defaults_;   // extension, type
};

// A part opened for reading as XML: the stream, its input and the reader.
class PartReader {
 public:
  // False when the part is missing or cannot be read (status() says why).
  bool Open(const zip::ZipArchive& zip, std::string_view part);
  xml::Reader& reader() { return *reader_; }
  // Moves to the root element's start; false when there is none.
  bool Root();
  // Whether the part was read to its end without a fault.
  bool complete() const;
  zip::ZipStatus status() const { return stream_.status(); }

 private:
  zip::ZipEntryStream stream_;
  std::unique_ptr<PartInput> input_;
  std::unique_ptr<xml::Reader> reader_;
  zip::ZipStatus openStatus_ = zip::ZipStatus::kOk;
};

}  // namespace wordfilt::ooxml
