#include "wordfilt/ooxml/ooxml_reader.h"

#include <algorithm>
#include <string>
#include <vector>

#include "wordfilt/chunks/chunk_writer.h"
#include "wordfilt/ooxml/body_walker.h"
#include "wordfilt/ooxml/names.h"
#include "wordfilt/ooxml/numbering.h"
#include "wordfilt/ooxml/package.h"
#include "wordfilt/ooxml/properties.h"
#include "wordfilt/ooxml/styles.h"
#include "wordfilt/zip/zip_archive.h"

namespace wordfilt {
namespace {

using ooxml::BodyWalker;
using ooxml::Package;
using ooxml::PartReader;
using ooxml::Relationship;
using ooxml::StoryKind;
using ooxml::TypeIs;

// Main parts of spreadsheets and presentations: packages we do not read.
bool OtherApplication(const std::string& type) {
  return type.find("spreadsheetml") != std::string::npos ||
         type.find("presentationml") != std::string::npos ||
         type.find("ms-excel") != std::string::npos ||
         type.find("ms-powerpoint") != std::string::npos;
}

// The main document part: through the package's relationships, else the
// content types, else where Word puts it.
std::string MainPart(Package& package, const std::vector<Relationship>& rels) {
  for (const Relationship& r : rels) {
    if (TypeIs(r.type, "officeDocument") && package.zip().Find(r.target)) return r.target;
  }
  for (const char* name : {"word/document.xml"}) {
    if (package.zip().Find(name)) return name;
  }
  return std::string();
}

const Relationship* FindById(const std::vector<Relationship>& rels, std::string_view id) {
  for (const Relationship& r : rels) {
    if (r.id == id) return &r;
  }
  return nullptr;
}

// Walks one part as stories of `kind`; false when it could not be read whole.
bool WalkPart(const zip::ZipArchive& zip, const std::string& part, StoryKind kind,
              BodyWalker& walker) {
  PartReader pr;
  if (!pr.Open(zip, part)) return pr.status() == zip::ZipStatus::kOk;
  if (!pr.Root()) return pr.complete();
  walker.Walk(pr.reader(), kind);
  return pr.complete();
}

}  // namespace

LoadStatus ExtractOoxml(const std::uint8_t* data, std::size_t size, DocumentText& out,
                        const ExtractOptions& options) {
  out = DocumentText();
  zip::ZipArchive zip;
  const zip::ZipStatus opened = zip.Open(data, size);
  if (opened == zip::ZipStatus::kNotZip) return LoadStatus::kNotWord;
  if (opened != zip::ZipStatus::kOk) return LoadStatus::kDamaged;
  if (zip.Find("[Content_Types].xml") == nullptr) return LoadStatus::kNotWord;
  Package package(zip);
  const std::vector<Relationship> packageRels = package.RelationshipsOf("");
  const std::string main = MainPart(package, packageRels);
  if (main.empty()) return LoadStatus::kNotWord;
  if (OtherApplication(package.ContentTypeOf(main))) return LoadStatus::kNotWord;

  const std::vector<Relationship> rels = package.RelationshipsOf(main);
  auto partOf = [&](std::string_view type) {
    for (const Relationship& r : rels) {
      if (TypeIs(r.type, type)) return r.target;
    }
    return std::string();
  };
  ooxml::Styles styles;
  {
    PartReader pr;
    if (pr.Open(zip, partOf("styles")) && pr.Root()) styles.Load(pr.reader());
  }
  ooxml::Numbering numbering;
  {
    PartReader pr;
    if (pr.Open(zip, partOf("numbering")) && pr.Root()) numbering.Load(pr.reader());
  }

  PartReader body;
  if (!body.Open(zip, main)) {
    if (body.status() == zip::ZipStatus::kEncrypted) return LoadStatus::kEncrypted;
    return LoadStatus::kDamaged;
  }
  if (!body.Root()) return LoadStatus::kDamaged;
  xml::Reader& reader = body.reader();
  if (reader.ns() != ooxml::kW || reader.local() != "document") return LoadStatus::kNotWord;

  ChunkWriter writer(out, options.chunkChars, styles.defaults().western);
  BodyWalker walker(writer, styles, numbering, options.mainTextOnly);
  walker.Walk(reader, StoryKind::kMain);
  bool complete = body.complete();

  if (!options.mainTextOnly) {
    for (const Relationship& r : rels) {
      if (TypeIs(r.type, "footnotes"))
        complete &= WalkPart(zip, r.target, StoryKind::kFootnote, walker);
    }
    // Headers and footers in the order the sections name them, each once;
    // those no section names are never shown.
    std::vector<std::string> done;
    for (const std::string& id : walker.headerIds()) {
      const Relationship* r = FindById(rels, id);
      if (r == nullptr || !(TypeIs(r->type, "header") || TypeIs(r->type, "footer"))) continue;
      if (std::find(done.begin(), done.end(), r->target) != done.end()) continue;
      done.push_back(r->target);
      complete &= WalkPart(zip, r->target, StoryKind::kHeader, walker);
    }
    for (const Relationship& r : rels) {
      if (TypeIs(r.type, "comments"))
        complete &= WalkPart(zip, r.target, StoryKind::kComment, walker);
    }
    for (const Relationship& r : rels) {
      if (TypeIs(r.type, "endnotes"))
        complete &= WalkPart(zip, r.target, StoryKind::kEndnote, walker);
    }
  }
  walker.Finish();
  writer.Finish();
  out.truncated = !complete;
  if (!complete && out.text.empty()) return LoadStatus::kDamaged;

  if (options.properties) {
    std::string core;
    for (const Relationship& r : packageRels) {
      if (TypeIs(r.type, "core-properties")) core = r.target;
    }
    if (core.empty()) core = "docProps/core.xml";
    PartReader pr;
    if (pr.Open(zip, core) && pr.Root()) ooxml::ReadProperties(pr.reader(), out.properties);
  }
  return LoadStatus::kOk;
}

}  // namespace wordfilt
