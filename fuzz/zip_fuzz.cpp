// Feeds arbitrary bytes to the zip reader: the directory, then every entry
// inflated through the stream with small limits, so that bombs and lying
// sizes are reached quickly. Checks that no entry yields more than the limits.
#include <cstddef>
#include <cstdint>

#include "wordfilt/zip/zip_archive.h"
#include "wordfilt/zip/zip_entry_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  wordfilt::zip::ZipLimits limits;
  limits.maxEntrySize = 1 << 20;
  limits.maxRatio = 50;
  limits.ratioAllowance = 4096;
  limits.maxTotalSize = 4 << 20;
  wordfilt::zip::ZipArchive zip;
  if (zip.Open(data, size, limits) != wordfilt::zip::ZipStatus::kOk) return 0;
  std::size_t n = 0;
  for (const wordfilt::zip::ZipEntry& e : zip.entries()) {
    if (++n > 64) break;
    if (zip.Find(e.name) == nullptr) __builtin_trap();
    wordfilt::zip::ZipEntryStream stream;
    if (stream.Open(zip, e) != wordfilt::zip::ZipStatus::kOk) continue;
    std::uint8_t buffer[4096];
    std::uint64_t total = 0;
    for (;;) {
      const std::size_t got = stream.Read(buffer, sizeof buffer);
      if (got == 0) break;
      total += got;
      if (total > limits.maxEntrySize) __builtin_trap();
    }
  }
  return 0;
}
