#include "wordfilt/ooxml/package.h"

#include "wordfilt/ooxml/names.h"

namespace wordfilt::ooxml {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

bool TypeIs(std::string_view type, std::string_view name) {
  return type.size() > name.size() && type[type.size() - name.size() - 1] == '/' &&
         type.compare(type.size() - name.size(), name.size(), name) == 0;
}

std::string ResolveTarget(std::string_view source, std::string_view target) {
  std::string decoded;
  for (std::size_t i = 0; i < target.size(); ++i) {
    if (target[i] == '%' && i + 2 < target.size() && HexDigit(target[i + 1]) >= 0 &&
        HexDigit(target[i + 2]) >= 0) {
      decoded.push_back(static_cast<char>(HexDigit(target[i + 1]) * 16 + HexDigit(target[i + 2])));
      i += 2;
    } else {
      decoded.push_back(target[i] == '\\' ? '/' : target[i]);
    }
  }
  // Fragments and queries name no part of their own.
  const std::size_t cut = decoded.find_first_of("#?");
  if (cut != std::string::npos) decoded.resize(cut);
  std::string path;
  if (!decoded.empty() && decoded[0] == '/') {
    path = decoded.substr(1);
  } else {
    const std::size_t slash = source.rfind('/');
    if (slash != std::string_view::npos) path.assign(source.substr(0, slash + 1));
    path += decoded;
  }
  std::vector<std::string> segments;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string segment = path.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string& s : segments) {
    if (!out.empty()) out.push_back('/');
    out += s;
  }
  return out;
}

std::string RelationshipsPartOf(std::string_view part) {
  const std::size_t slash = part.rfind('/');
  if (slash == std::string_view::npos) return "_rels/" + std::string(part) + ".rels";
  return std::string(part.substr(0, slash + 1)) + "_rels/" + std::string(part.substr(slash + 1)) +
         ".rels";
}

bool PartReader::Open(const zip::ZipArchive& zip, std::string_view part) {
  const zip::ZipEntry* entry = zip.Find(part);
  if (entry == nullptr) return false;
  openStatus_ = stream_.Open(zip, *entry);
  if (openStatus_ != zip::ZipStatus::kOk) return false;
  input_ = std::make_unique<PartInput>(stream_);
  std::size_t count = 0;
  const xml::NamespaceId* known = KnownNamespaces(&count);
  reader_ = std::make_unique<xml::Reader>(*input_, known, count);
  return true;
}

bool PartReader::Root() {
  for (;;) {
    const xml::Event e = reader_->Next();
    if (e == xml::Event::kStart) return true;
    if (e == xml::Event::kEndOfDocument || e == xml::Event::kError) return false;
  }
}

bool PartReader::complete() const {
  return openStatus_ == zip::ZipStatus::kOk && stream_.status() == zip::ZipStatus::kOk && reader_ &&
         !reader_->failed();
}

std::vector<Relationship> Package::RelationshipsOf(std::string_view part) const {
  std::vector<Relationship> out;
  PartReader pr;
  const std::string relsName =
      part.empty() ? std::string("_rels/.rels") : RelationshipsPartOf(part);
  if (!pr.Open(zip_, relsName) || !pr.Root()) return out;
  xml::Reader& r = pr.reader();
  for (;;) {
    const xml::Event e = r.Next();
    if (e == xml::Event::kEndOfDocument || e == xml::Event::kError) break;
    if (e != xml::Event::kStart || r.local() != "Relationship") continue;
    if (r.Attr(xml::kNoNamespace, "TargetMode") == "External") continue;
    Relationship rel;
    rel.id.assign(r.Attr(xml::kNoNamespace, "Id"));
    rel.type.assign(r.Attr(xml::kNoNamespace, "Type"));
    rel.target = ResolveTarget(part, r.Attr(xml::kNoNamespace, "Target"));
    out.push_back(std::move(rel));
  }
  return out;
}

void Package::LoadContentTypes() {
  typesLoaded_ = true;
  PartReader pr;
  if (!pr.Open(zip_, "[Content_Types].xml") || !pr.Root()) return;
  xml::Reader& r = pr.reader();
  for (;;) {
    const xml::Event e = r.Next();
    if (e == xml::Event::kEndOfDocument || e == xml::Event::kError) break;
    if (e != xml::Event::kStart) continue;
    if (r.local() == "Override") {
      overrides_.emplace_back(ResolveTarget("", r.Attr(xml::kNoNamespace, "PartName")),
                              std::string(r.Attr(xml::kNoNamespace, "ContentType")));
    } else if (r.local() == "Default") {
      defaults_.emplace_back(std::string(r.Attr(xml::kNoNamespace, "Extension")),
                             std::string(r.Attr(xml::kNoNamespace, "ContentType")));
    }
  }
}

std::string Package::ContentTypeOf(std::string_view part) {
  if (!typesLoaded_) LoadContentTypes();
  for (const auto& [name, type] : overrides_) {
    if (EqualsIgnoringCase(name, part)) return type;
  }
  const std::size_t dot = part.rfind('.');
  if (dot != std::string_view::npos) {
    for (const auto& [extension, type] : defaults_) {
      if (EqualsIgnoringCase(extension, part.substr(dot + 1))) return type;
    }
  }
  return std::string();
}

}  // namespace wordfilt::ooxml
