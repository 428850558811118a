#include "wordfilt/formats/detect.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "wordfilt/formats/detect_text.h"
#include "wordfilt/formats/detect_xml.h"

namespace wordfilt {
namespace {

constexpr std::uint8_t kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool IsWord2(const std::uint8_t* data, std::size_t size) {
  // Word 2 (0xA5DB) and Word 1 (0xA59B) file information blocks.
  return size >= 2 && (data[1] == 0xA5) && (data[0] == 0xDB || data[0] == 0x9B);
}

}  // namespace

Format DetectFormat(const std::uint8_t* data, std::size_t size) {
  if (!data || size == 0) return Format::kUnknown;
  if (size >= 8 && std::memcmp(data, kCompoundSignature, 8) == 0) return Format::kCompound;
  if (IsWord2(data, size)) return Format::kWord2;
  const std::string_view head(reinterpret_cast<const char*>(data),
                              std::min<std::size_t>(size, 4096));
  if (StartsWith(head, "{\\rtf")) return Format::kRtf;
  if (StartsWith(head, "PK\x03\x04")) return Format::kOoxml;
  // XML formats before the text formats: XML that is no page would
  // otherwise read as plain text.
  if (IsWordXml(data, size)) return Format::kWordXml;
  if (HasBinarySignature(data, size)) return Format::kUnknown;
  // Markup and headers are looked at in the first 64 KiB only: a page
  // or an archive declares itself at its start.
  const std::string sniff = SniffHead(data, size, 1 << 16);
  if (LooksLikeHtml(sniff)) return Format::kHtml;
  if (LooksLikeMhtml(sniff)) return Format::kMhtml;
  // Anything else that reads as text is text: other XML, JSON, source code.
  if (LooksLikePlainText(data, size)) return Format::kPlainText;
  return Format::kUnknown;
}

}  // namespace wordfilt
