#include "wordfilt/doc/properties.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"
#include "wordfilt/doc/code_page_decoder.h"

namespace wordfilt {
namespace {

constexpr std::uint16_t kByteOrderMark = 0xFFFE;
// FMTID_SummaryInformation, {F29F85E0-4FF9-1068-AB91-08002B27B3D9}, as stored.
constexpr std::uint8_t kSummaryFormat[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                             0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
constexpr std::uint32_t kPropCodePage = 1;
constexpr std::uint32_t kTypeI2 = 2;
constexpr std::uint32_t kTypeString = 30;      // 8-bit, in the set's code page
constexpr std::uint32_t kTypeWideString = 31;  // UTF-16
constexpr std::uint32_t kCodePageUtf16 = 1200;
// Longer values are cut: no title or keyword list needs more.
constexpr std::uint32_t kMaxValueUnits = 32768;

bool Served(std::uint32_t id) { return id >= kPropTitle && id <= kPropKeywords; }

// 8-bit text through the platform, one call a string; a page the platform
// does not know reads as Windows-1252.
void DecodeBytes(std::uint32_t codePage, const std::uint8_t* p, std::size_t n,
                 std::u16string& out) {
  if (n == 0) return;
  std::u16string wide(n, u'\0');
  const int got =
      MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(p), static_cast<int>(n),
                          reinterpret_cast<WCHAR*>(&wide[0]), static_cast<int>(n));
  if (got > 0) {
    out.append(wide, 0, static_cast<std::size_t>(got));
    return;
  }
  for (std::size_t i = 0; i < n; ++i) out.push_back(Cp1252ToUnicode(p[i]));
}

// The value up to its first NUL, controls as spaces, without surrounding blanks.
std::u16string Clean(std::u16string s) {
  s.resize(std::min(s.find(u'\0'), s.size()));
  for (char16_t& c : s) {
    if (c < 0x20) c = u' ';
  }
  const std::size_t first = s.find_first_not_of(u' ');
  if (first == std::u16string::npos) return std::u16string();
  return s.substr(first, s.find_last_not_of(u' ') - first + 1);
}

bool ReadString(ByteSpan set, std::uint64_t at, std::uint32_t codePage, std::u16string& out) {
  std::uint32_t type = 0, count = 0;
  if (!set.U32(at, type) || !set.U32(at + 4, count)) return false;
  type &= 0xFFFF;  // the upper half is padding
  const std::uint64_t data = at + 8;
  if (type == kTypeWideString || (type == kTypeString && codePage == kCodePageUtf16)) {
    // Counted in characters for the wide type, in bytes for 8-bit strings in UTF-16.
    const std::uint64_t units = type == kTypeWideString ? count : count / 2;
    const ByteSpan bytes = set.Sub(data, 2 * std::min<std::uint64_t>(units, kMaxValueUnits));
    if (bytes.empty() && units != 0) return false;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      out.push_back(static_cast<char16_t>(ByteSpan::Le16(bytes.data() + i)));
    }
    return true;
  }
  if (type != kTypeString) return false;
  const ByteSpan bytes = set.Sub(data, std::min<std::uint64_t>(count, kMaxValueUnits));
  if (bytes.empty() && count != 0) return false;
  DecodeBytes(codePage, bytes.data(), bytes.size(), out);
  return true;
}

}  // namespace

std::vector<DocumentProperty> ReadSummaryProperties(ByteSpan stream) {
  std::vector<DocumentProperty> out;
  std::uint32_t sets = 0, offset = 0;
  if (stream.U16Or0(0) != kByteOrderMark || !stream.U32(24, sets) || sets == 0) return out;
  const ByteSpan format = stream.Sub(28, 16);
  if (format.empty() || std::memcmp(format.data(), kSummaryFormat, 16) != 0) return out;
  if (!stream.U32(44, offset)) return out;
  std::uint32_t size = 0, count = 0;
  if (!stream.U32(offset, size) || !stream.U32(offset + 4ull, count)) return out;
  // The set as far as the stream holds it, whatever size it claims.
  const ByteSpan set = stream.Sub(offset, std::min<std::uint64_t>(size, stream.size() - offset));
  count = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, set.size() / 8));

  // The code page first: the strings before it in the list need it too.
  std::uint32_t codePage = 1252;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (set.U32Or0(8 + 8ull * i) != kPropCodePage) continue;
    const std::uint32_t at = set.U32Or0(12 + 8ull * i);
    if ((set.U32Or0(at) & 0xFFFF) == kTypeI2) codePage = set.U16Or0(at + 4ull);
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t id = set.U32Or0(8 + 8ull * i);
    if (!Served(id)) continue;
    const bool seen =
        std::any_of(out.begin(), out.end(), [id](const DocumentProperty& p) { return p.id == id; });
    std::u16string value;
    if (seen || !ReadString(set, set.U32Or0(12 + 8ull * i), codePage, value)) continue;
    value = Clean(std::move(value));
    if (!value.empty()) out.push_back(DocumentProperty{id, std::move(value)});
  }
  std::sort(out.begin(), out.end(),
            [](const DocumentProperty& a, const DocumentProperty& b) { return a.id < b.id; });
  return out;
}

}  // namespace wordfilt
