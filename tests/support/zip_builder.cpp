#include "tests/support/zip_builder.h"

#include <zlib.h>

namespace docflt_test {
namespace {

void Put16(std::string& s, std::uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}
void Put64(std::string& s, std::uint64_t v) {
  Put32(s, static_cast<std::uint32_t>(v));
  Put32(s, static_cast<std::uint32_t>(v >> 32));
}

std::string Deflate(const std::string& in) {
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(in.size())) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

}  // namespace

std::string BuildZip(const std::vector<ZipEntrySpec>& entries, bool zip64End) {
  std::string zip;
  std::string dir;
  for (const ZipEntrySpec& e : entries) {
    const std::string body = e.deflate ? Deflate(e.data) : e.data;
    const std::uint32_t crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
    const std::uint64_t size = e.declaredSize ? e.declaredSize : e.data.size();
    const std::uint64_t offset = zip.size();
    const std::uint16_t flags = e.descriptor ? 0x0008 : 0;
    const std::uint16_t method = e.deflate ? 8 : 0;
    std::string extra;
    if (e.zip64) {
      Put16(extra, 1);
      Put16(extra, 24);
      Put64(extra, size);
      Put64(extra, body.size());
      Put64(extra, offset);
    }
    // Local header.
    Put32(zip, 0x04034b50);
    Put16(zip, e.zip64 ? 45 : 20);
    Put16(zip, flags);
    Put16(zip, method);
    Put32(zip, 0);
    Put32(zip, e.descriptor ? 0 : crc);
    Put32(zip, e.descriptor ? 0 : (e.zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(body.size())));
    Put32(zip, e.descriptor ? 0 : (e.zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(size)));
    Put16(zip, static_cast<std::uint32_t>(e.name.size()));
    Put16(zip, e.zip64 ? 20 : 0);
    zip += e.name;
    if (e.zip64) {
      Put16(zip, 1);
      Put16(zip, 16);
      Put64(zip, size);
      Put64(zip, body.size());
    }
    zip += body;
    if (e.descriptor) {
      Put32(zip, 0x08074b50);
      Put32(zip, crc);
      Put32(zip, static_cast<std::uint32_t>(body.size()));
      Put32(zip, static_cast<std::uint32_t>(size));
    }
    // Directory entry.
    Put32(dir, 0x02014b50);
    Put16(dir, 20);
    Put16(dir, e.zip64 ? 45 : 20);
    Put16(dir, flags);
    Put16(dir, method);
    Put32(dir, 0);
    Put32(dir, crc);
    Put32(dir, e.zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(body.size()));
    Put32(dir, e.zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(size));
    Put16(dir, static_cast<std::uint32_t>(e.name.size()));
    Put16(dir, static_cast<std::uint32_t>(extra.size()));
    Put16(dir, 0);
    Put16(dir, 0);
    Put16(dir, 0);
    Put32(dir, 0);
    Put32(dir, e.zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(offset));
    dir += e.name;
    dir += extra;
  }
  const std::uint64_t dirOffset = zip.size();
  zip += dir;
  if (zip64End) {
    const std::uint64_t end64 = zip.size();
    Put32(zip, 0x06064b50);
    Put64(zip, 44);
    Put16(zip, 45);
    Put16(zip, 45);
    Put32(zip, 0);
    Put32(zip, 0);
    Put64(zip, entries.size());
    Put64(zip, entries.size());
    Put64(zip, dir.size());
    Put64(zip, dirOffset);
    Put32(zip, 0x07064b50);
    Put32(zip, 0);
    Put64(zip, end64);
    Put32(zip, 1);
  }
  Put32(zip, 0x06054b50);
  Put16(zip, 0);
  Put16(zip, 0);
  Put16(zip, zip64End ? 0xFFFF : static_cast<std::uint32_t>(entries.size()));
  Put16(zip, zip64End ? 0xFFFF : static_cast<std::uint32_t>(entries.size()));
  Put32(zip, zip64End ? 0xFFFFFFFF : static_cast<std::uint32_t>(dir.size()));
  Put32(zip, zip64End ? 0xFFFFFFFF : static_cast<std::uint32_t>(dirOffset));
  Put16(zip, 0);
  return zip;
}

std::string BuildPackage(const std::string& documentXml, const std::vector<PackagePart>& parts,
                         const std::string& coreXml) {
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  std::string types =
      "<?xml version=\"1.0\"?><Types "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/word/document.xml\" "
      "ContentType=\"application/"
      "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>";
  std::string packageRels =
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" Type=\"" +
      rel + "officeDocument\" Target=\"word/document.xml\"/>";
  if (!coreXml.empty()) {
    packageRels +=
        "<Relationship Id=\"rId2\" "
        "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/"
        "core-properties\" Target=\"docProps/core.xml\"/>";
  }
  packageRels += "</Relationships>";
  std::string docRels =
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (const PackagePart& p : parts) {
    const std::string target = p.name.compare(0, 5, "word/") == 0 ? p.name.substr(5) : "/" + p.name;
    docRels += "<Relationship Id=\"" + p.id + "\" Type=\"" + rel + p.type + "\" Target=\"" +
               target + "\"/>";
  }
  docRels += "</Relationships>";
  std::vector<ZipEntrySpec> entries = {{"[Content_Types].xml", types},
                                       {"_rels/.rels", packageRels},
                                       {"word/document.xml", documentXml},
                                       {"word/_rels/document.xml.rels", docRels}};
  for (const PackagePart& p : parts) entries.push_back({p.name, p.data});
  if (!coreXml.empty()) entries.push_back({"docProps/core.xml", coreXml});
  return BuildZip(entries);
}

}  // namespace docflt_test
