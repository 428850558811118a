// A read-only view of a zip archive held in memory: its central directory,
// and the limits that keep a hostile archive (a zip bomb) from costing more
// than a bounded amount of time and memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace wordfilt::zip {

enum class ZipStatus {
  kOk,
  kNotZip,       // no end of central directory record
  kDamaged,      // a structure points outside the archive or contradicts itself
  kTooLarge,     // an entry inflates beyond the limits
  kEncrypted,    // zip encryption
  kUnsupported,  // a compression method other than stored and deflated
};

struct ZipLimits {
  // No entry inflates to more than this many bytes.
  std::uint64_t maxEntrySize = std::uint64_t{1} << 30;
  // Nor to more than ratio times its compressed size plus the allowance:
  // text compresses tenfold, a bomb a thousandfold.
  std::uint64_t maxRatio = 200;
  std::uint64_t ratioAllowance = std::uint64_t{1} << 20;
  // All entries read from one archive together.
  std::uint64_t maxTotalSize = std::uint64_t{2} << 30;
};

struct ZipEntry {
  std::string name;
  std::uint64_t compressedSize = 0;
  std::uint64_t size = 0;  // inflated
  std::uint64_t localHeader = 0;
  std::uint16_t method = 0;
  std::uint16_t flags = 0;
};

class ZipArchive {
 public:
  // Reads the central directory; `data` must outlive the archive.
  ZipStatus Open(const std::uint8_t* data, std::size_t size, const ZipLimits& limits = ZipLimits());

  // The entry of that name (ASCII letters in any case, with or without a
  // leading "/"), or null. Of entries that share a name the first counts.
  const ZipEntry* Find(std::string_view name) const;
  const std::vector<ZipEntry>& entries() const { return entries_; }

  // Where an entry's compressed bytes lie, after checking its local header
  // and the limits; kOk or the reason it cannot be read.
  ZipStatus Locate(const ZipEntry& entry, const std::uint8_t** data) const;

  // Counts bytes inflated from the archive; false once the total is spent.
  bool Spend(std::uint64_t bytes) const;

  // Reads a whole entry (for small parts: relationships, properties).
  ZipStatus ReadAll(const ZipEntry& entry, std::string& out) const;

  const ZipLimits& limits() const { return limits_; }

 private:
  ZipStatus ReadDirectory(std::uint64_t offset, std::uint64_t size, std::uint64_t count);

  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  ZipLimits limits_;
  std::vector<ZipEntry> entries_;
  std::unordered_map<std::string, std::size_t> byName_;
  mutable std::uint64_t spent_ = 0;
};

}  // namespace wordfilt::zip
