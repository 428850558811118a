#include "tests/support/compound_writer.h"

#include <algorithm>
#include <cctype>

namespace routes {
namespace {

constexpr std::uint32_t kSector = 512;
constexpr std::uint32_t kFree = 0xFFFFFFFFu;
constexpr std::uint32_t kEnd = 0xFFFFFFFEu;
constexpr std::uint32_t kFatSect = 0xFFFFFFFDu;
constexpr std::uint32_t kDifSect = 0xFFFFFFFCu;
constexpr std::uint32_t kNoStream = 0xFFFFFFFFu;

void Put16(std::string& s, std::size_t at, std::uint16_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t SectorsFor(std::size_t bytes) {
  return static_cast<std::uint32_t>((bytes + kSector - 1) / kSector);
}

// Directory siblings are searched in this order: shorter names first, then by
// upper-cased code units.
bool NameLess(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char16_t x = a[i] < 0x80 ? static_cast<char16_t>(std::toupper(a[i])) : a[i];
    const char16_t y = b[i] < 0x80 ? static_cast<char16_t>(std::toupper(b[i])) : b[i];
    if (x != y) return x < y;
  }
  return false;
}

void PutEntry(std::string& dir, std::size_t at, const std::u16string& name, std::uint8_t type,
              std::uint32_t right, std::uint32_t child, std::uint32_t start, std::uint64_t size) {
  for (std::size_t i = 0; i < name.size() && i < 31; ++i) Put16(dir, at + 2 * i, name[i]);
  Put16(dir, at + 64, static_cast<std::uint16_t>(2 * (name.size() + 1)));
  dir[at + 66] = static_cast<char>(type);
  dir[at + 67] = 1;  // black
  Put32(dir, at + 68, kNoStream);
  Put32(dir, at + 72, right);
  Put32(dir, at + 76, child);
  Put32(dir, at + 116, start);
  Put32(dir, at + 120, static_cast<std::uint32_t>(size));
  Put32(dir, at + 124, static_cast<std::uint32_t>(size >> 32));
}

}  // namespace

std::string FillerBytes(std::size_t n, std::uint32_t seed) {
  std::string out(n, '\0');
  std::uint32_t x = seed * 2654435761u + 12345u;
  for (std::size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    out[i] = static_cast<char>(x & 0xFF);
  }
  return out;
}

std::vector<StreamSpec> DocumentStreams(std::size_t bytes, std::uint32_t seed) {
  const std::size_t main = std::max<std::size_t>(4096, bytes / 4 * 3);
  const std::size_t table = std::max<std::size_t>(4096, bytes - std::min(bytes, main));
  return {{u"WordDocument", FillerBytes(main, seed)}, {u"1Table", FillerBytes(table, seed + 1)}};
}

std::vector<std::u16string> NamesOf(const std::vector<StreamSpec>& streams) {
  std::vector<std::u16string> names;
  for (const StreamSpec& s : streams) names.push_back(s.name);
  return names;
}

std::string Joined(const std::vector<StreamSpec>& streams) {
  std::string all;
  for (const StreamSpec& s : streams) all += s.bytes;
  return all;
}

std::string BuildCompoundFile(const std::vector<StreamSpec>& input) {
  std::vector<StreamSpec> streams = input;
  std::sort(streams.begin(), streams.end(),
            [](const StreamSpec& a, const StreamSpec& b) { return NameLess(a.name, b.name); });

  std::uint32_t dataSectors = 0;
  for (const StreamSpec& s : streams) dataSectors += SectorsFor(s.bytes.size());
  const std::uint32_t dirSectors = SectorsFor((streams.size() + 1) * 128);
  // The FAT must map every sector, its own and the DIFAT's included.
  std::uint32_t fatSectors = 1, difatSectors = 0;
  for (;;) {
    difatSectors = fatSectors > 109 ? (fatSectors - 109 + 126) / 127 : 0;
    const std::uint32_t total = dataSectors + dirSectors + fatSectors + difatSectors;
    if (total <= fatSectors * 128) break;
    ++fatSectors;
  }
  const std::uint32_t firstDir = dataSectors;
  const std::uint32_t firstFat = firstDir + dirSectors;
  const std::uint32_t firstDifat = firstFat + fatSectors;
  const std::uint32_t total = firstDifat + difatSectors;

  std::vector<std::uint32_t> fat(fatSectors * 128, kFree);
  std::vector<std::uint32_t> starts;
  std::uint32_t next = 0;
  for (const StreamSpec& s : streams) {
    const std::uint32_t n = SectorsFor(s.bytes.size());
    starts.push_back(next);
    for (std::uint32_t i = 0; i < n; ++i) fat[next + i] = i + 1 < n ? next + i + 1 : kEnd;
    next += n;
  }
  for (std::uint32_t i = 0; i < dirSectors; ++i)
    fat[firstDir + i] = i + 1 < dirSectors ? firstDir + i + 1 : kEnd;
  for (std::uint32_t i = 0; i < fatSectors; ++i) fat[firstFat + i] = kFatSect;
  for (std::uint32_t i = 0; i < difatSectors; ++i) fat[firstDifat + i] = kDifSect;

  std::string file(kSector * (1 + std::size_t(total)), '\0');
  // Header.
  const unsigned char sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  for (int i = 0; i < 8; ++i) file[i] = static_cast<char>(sig[i]);
  Put16(file, 24, 0x003E);
  Put16(file, 26, 3);
  Put16(file, 28, 0xFFFE);
  Put16(file, 30, 9);
  Put16(file, 32, 6);
  Put32(file, 44, fatSectors);
  Put32(file, 48, firstDir);
  Put32(file, 56, 4096);
  Put32(file, 60, kEnd);
  Put32(file, 64, 0);
  Put32(file, 68, difatSectors ? firstDifat : kEnd);
  Put32(file, 72, difatSectors);
  for (std::uint32_t i = 0; i < 109; ++i)
    Put32(file, 76 + 4 * i, i < fatSectors ? firstFat + i : kFree);

  auto sectorAt = [](std::uint32_t id) { return kSector * (1 + std::size_t(id)); };
  std::size_t at = 0;
  for (std::size_t k = 0; k < streams.size(); ++k) {
    at = sectorAt(starts[k]);
    std::copy(streams[k].bytes.begin(), streams[k].bytes.end(), file.begin() + at);
  }
  // Directory: the root's child is the first stream; the rest hang off right.
  std::string dir(dirSectors * kSector, '\0');
  for (std::size_t i = 0; i < dir.size() / 128; ++i) {
    Put32(dir, i * 128 + 68, kNoStream);
    Put32(dir, i * 128 + 72, kNoStream);
    Put32(dir, i * 128 + 76, kNoStream);
  }
  PutEntry(dir, 0, u"Root Entry", 5, kNoStream, streams.empty() ? kNoStream : 1, kEnd, 0);
  for (std::size_t k = 0; k < streams.size(); ++k) {
    const std::uint32_t right =
        k + 1 < streams.size() ? static_cast<std::uint32_t>(k + 2) : kNoStream;
    PutEntry(dir, (k + 1) * 128, streams[k].name, 2, right, kNoStream, starts[k],
             streams[k].bytes.size());
  }
  std::copy(dir.begin(), dir.end(), file.begin() + sectorAt(firstDir));
  for (std::size_t i = 0; i < fat.size(); ++i) Put32(file, sectorAt(firstFat) + 4 * i, fat[i]);
  for (std::uint32_t d = 0; d < difatSectors; ++d) {
    const std::size_t base = sectorAt(firstDifat + d);
    for (std::uint32_t i = 0; i < 127; ++i) {
      const std::uint32_t fatIndex = 109 + d * 127 + i;
      Put32(file, base + 4 * i, fatIndex < fatSectors ? firstFat + fatIndex : kFree);
    }
    Put32(file, base + 4 * 127, d + 1 < difatSectors ? firstDifat + d + 1 : kEnd);
  }
  return file;
}

}  // namespace routes
