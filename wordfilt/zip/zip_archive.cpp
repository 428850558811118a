#include "wordfilt/zip/zip_archive.h"

#include <algorithm>
#include <cstring>

#include "wordfilt/doc/byte_span.h"
#include "wordfilt/zip/zip_entry_stream.h"

namespace wordfilt::zip {
namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kEnd64Signature = 0x06064b50;
constexpr std::uint32_t kEnd64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kDirectorySignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kEnd64LocatorSize = 20;
constexpr std::size_t kDirectoryEntrySize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::uint16_t kZip64Extra = 0x0001;
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;
// A comment can follow the end record: at most 65,535 bytes.
constexpr std::size_t kMaxEndSearch = kEndSize + 0xFFFF;

std::string Key(std::string_view name) {
  if (!name.empty() && name.front() == '/') name.remove_prefix(1);
  std::string key(name);
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '\\') c = '/';
  }
  return key;
}

std::uint64_t U64(const ByteSpan& s, std::uint64_t at) {
  return std::uint64_t{s.U32Or0(at)} | (std::uint64_t{s.U32Or0(at + 4)} << 32);
}

// Replaces the 32-bit fields that are all ones with their ZIP64 values, in
// the order the extra field lists them.
bool ApplyZip64(ByteSpan extra, ZipEntry& e, bool sizeMissing, bool compressedMissing,
                bool offsetMissing) {
  std::uint64_t at = 0;
  while (extra.Contains(at, 4)) {
    const std::uint16_t id = extra.U16Or0(at);
    const std::uint16_t length = extra.U16Or0(at + 2);
    const ByteSpan field = extra.Sub(at + 4, length);
    if (field.size() != length) return false;
    if (id == kZip64Extra) {
      std::uint64_t p = 0;
      auto take = [&](bool missing, std::uint64_t& value) {
        if (!missing) return true;
        if (!field.Contains(p, 8)) return false;
        value = U64(field, p);
        p += 8;
        return true;
      };
      return take(sizeMissing, e.size) && take(compressedMissing, e.compressedSize) &&
             take(offsetMissing, e.localHeader);
    }
    at += 4 + std::uint64_t{length};
  }
  return !(sizeMissing || compressedMissing || offsetMissing);
}

}  // namespace

ZipStatus ZipArchive::Open(const std::uint8_t* data, std::size_t size, const ZipLimits& limits) {
  data_ = data;
  size_ = data ? size : 0;
  limits_ = limits;
  entries_.clear();
  byName_.clear();
  spent_ = 0;
  const ByteSpan all(data_, size_);
  if (size_ < kEndSize) return ZipStatus::kNotZip;
  // The end record is the last one in the file whose comment length fits.
  std::uint64_t end = size_;
  const std::uint64_t lowest = size_ > kMaxEndSearch ? size_ - kMaxEndSearch : 0;
  for (std::uint64_t at = size_ - kEndSize + 1; at-- > lowest;) {
    if (all.U32Or0(at) == kEndSignature && at + kEndSize + all.U16Or0(at + 20) <= size_) {
      end = at;
      break;
    }
  }
  if (end == size_) return ZipStatus::kNotZip;
  std::uint64_t count = all.U16Or0(end + 10);
  std::uint64_t dirSize = all.U32Or0(end + 12);
  std::uint64_t dirOffset = all.U32Or0(end + 16);
  if ((count == 0xFFFF || dirSize == 0xFFFFFFFF || dirOffset == 0xFFFFFFFF) &&
      end >= kEnd64LocatorSize && all.U32Or0(end - kEnd64LocatorSize) == kEnd64LocatorSignature) {
    const std::uint64_t end64 = U64(all, end - kEnd64LocatorSize + 8);
    if (!all.Contains(end64, 56) || all.U32Or0(end64) != kEnd64Signature) {
      return ZipStatus::kDamaged;
    }
    count = U64(all, end64 + 32);
    dirSize = U64(all, end64 + 40);
    dirOffset = U64(all, end64 + 48);
  }
  return ReadDirectory(dirOffset, dirSize, count);
}

ZipStatus ZipArchive::ReadDirectory(std::uint64_t offset, std::uint64_t size, std::uint64_t count) {
  const ByteSpan all(data_, size_);
  const ByteSpan dir = all.Sub(offset, size);
  if (dir.size() != size) return ZipStatus::kDamaged;
  // Every entry takes 46 bytes at least: a count beyond that is a lie.
  if (count > size / kDirectoryEntrySize) return ZipStatus::kDamaged;
  entries_.reserve(static_cast<std::size_t>(count));
  std::uint64_t at = 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (!dir.Contains(at, kDirectoryEntrySize) || dir.U32Or0(at) != kDirectorySignature) {
      return ZipStatus::kDamaged;
    }
    ZipEntry e;
    e.flags = dir.U16Or0(at + 8);
    e.method = dir.U16Or0(at + 10);
    e.compressedSize = dir.U32Or0(at + 20);
    e.size = dir.U32Or0(at + 24);
    const std::uint16_t nameLength = dir.U16Or0(at + 28);
    const std::uint16_t extraLength = dir.U16Or0(at + 30);
    const std::uint16_t commentLength = dir.U16Or0(at + 32);
    e.localHeader = dir.U32Or0(at + 42);
    const ByteSpan name = dir.Sub(at + kDirectoryEntrySize, nameLength);
    const ByteSpan extra = dir.Sub(at + kDirectoryEntrySize + nameLength, extraLength);
    if (name.size() != nameLength || extra.size() != extraLength) return ZipStatus::kDamaged;
    if (!ApplyZip64(extra, e, e.size == 0xFFFFFFFF, e.compressedSize == 0xFFFFFFFF,
                    e.localHeader == 0xFFFFFFFF)) {
      return ZipStatus::kDamaged;
    }
    e.name.assign(reinterpret_cast<const char*>(name.data()), name.size());
    at += kDirectoryEntrySize + std::uint64_t{nameLength} + extraLength + commentLength;
    byName_.emplace(Key(e.name), entries_.size());
    entries_.push_back(std::move(e));
  }
  return ZipStatus::kOk;
}

const ZipEntry* ZipArchive::Find(std::string_view name) const {
  const auto found = byName_.find(Key(name));
  return found == byName_.end() ? nullptr : &entries_[found->second];
}

ZipStatus ZipArchive::Locate(const ZipEntry& entry, const std::uint8_t** data) const {
  *data = nullptr;
  if (entry.flags & kFlagEncrypted) return ZipStatus::kEncrypted;
  if (entry.method != kMethodStored && entry.method != kMethodDeflated) {
    return ZipStatus::kUnsupported;
  }
  const std::uint64_t ratioLimit =
      entry.compressedSize > (limits_.maxEntrySize / std::max<std::uint64_t>(limits_.maxRatio, 1))
          ? limits_.maxEntrySize
          : entry.compressedSize * limits_.maxRatio + limits_.ratioAllowance;
  if (entry.size > limits_.maxEntrySize || entry.size > ratioLimit) return ZipStatus::kTooLarge;
  const ByteSpan all(data_, size_);
  if (!all.Contains(entry.localHeader, kLocalHeaderSize) ||
      all.U32Or0(entry.localHeader) != kLocalSignature) {
    return ZipStatus::kDamaged;
  }
  if (all.U16Or0(entry.localHeader + 6) & kFlagEncrypted) return ZipStatus::kEncrypted;
  // The local header's own name and extra field may differ in length from
  // the directory's copy; its sizes are zero when a data descriptor follows,
  // so the directory's sizes are the ones used.
  const std::uint64_t start = entry.localHeader + kLocalHeaderSize +
                              all.U16Or0(entry.localHeader + 26) +
                              all.U16Or0(entry.localHeader + 28);
  if (!all.Contains(start, entry.compressedSize)) return ZipStatus::kDamaged;
  if (entry.method == kMethodStored && entry.size != entry.compressedSize) {
    return ZipStatus::kDamaged;
  }
  *data = data_ + start;
  return ZipStatus::kOk;
}

bool ZipArchive::Spend(std::uint64_t bytes) const {
  if (bytes > limits_.maxTotalSize - spent_) {
    spent_ = limits_.maxTotalSize;
    return false;
  }
  spent_ += bytes;
  return true;
}

ZipStatus ZipArchive::ReadAll(const ZipEntry& entry, std::string& out) const {
  out.clear();
  ZipEntryStream stream;
  ZipStatus status = stream.Open(*this, entry);
  if (status != ZipStatus::kOk) return status;
  // The declared size is a hint only, within the limits Open checked.
  out.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(entry.size, 1 << 24)));
  char buffer[16384];
  for (;;) {
    const std::size_t n = stream.Read(reinterpret_cast<std::uint8_t*>(buffer), sizeof buffer);
    if (n == 0) break;
    out.append(buffer, n);
  }
  return stream.status();
}

}  // namespace wordfilt::zip
