// A read-only reader of compound files (structured storage) over any byte
// source. Plain C++ with no Windows names, so that every build can use it; on
// POSIX the IStorage/IStream objects are thin wrappers around it.
//
// Everything read from the file is checked before use: chains are followed at
// most as far as the file has sectors, sizes are compared with what the chains
// and the file can hold, and no allocation is larger than the input warrants.
//
// Leniency, following what Windows and other long-lived readers accept:
// - the last sector of the file may be cut short; its missing bytes read as 0;
// - a chain longer than its stream's size is fine (the rest is ignored);
// - the high half of a stream size in a version-3 file is ignored (old writers
//   left garbage there);
// - directory trees need not be ordered: look-up scans the siblings;
// - a DIFAT that ends before the header's FAT sector count limits the FAT to
//   the sectors it lists;
// - a tree link to an unused entry or past the directory is dropped (files
//   from sloppy writers and fuzzers have them; the rest of the tree is used);
// - a broken mini stream or mini FAT, or a broken tree, fails only the
//   streams and storages that need it, not the whole file.
// Refused: a sector that starts past the end of the data (kTruncated), a loop,
// a reserved or out-of-range sector id in a chain, a chain shorter than its
// stream's size, counts the file cannot hold (kCorrupt), and a tree that
// reaches an entry twice (kCorrupt for that storage).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/storage/byte_source.h"

namespace platform::cfb {

enum class Status {
  kOk = 0,
  kNotCompoundFile,  // no compound-file signature
  kOldFormat,        // the signature of the pre-release format
  kShortHeader,      // the signature, but the data ends inside the header
  kBadHeader,        // the signature, but unusable header fields
  kCorrupt,          // inconsistent chains, directory or sizes
  kTruncated,        // a sector that is needed lies past the end of the data
  kNotFound,         // no element of that name
  kWrongType,        // a storage where a stream is wanted, or the reverse
  kNoMemory,
  kReadFailed,  // the byte source reported an error
};
const char* StatusName(Status s);

using EntryId = std::uint32_t;
constexpr EntryId kNoEntry = 0xFFFFFFFFu;
constexpr EntryId kRootEntry = 0;

enum class EntryType : std::uint8_t { kUnused = 0, kStorage = 1, kStream = 2, kRoot = 5 };

struct DirEntry {
  std::u16string name;
  EntryType type = EntryType::kUnused;
  std::uint64_t size = 0;  // streams; for the root, the mini stream's size
  std::uint32_t start = 0;
  std::array<std::uint8_t, 16> clsid{};
  std::uint32_t stateBits = 0;
  std::uint64_t createTime = 0;  // FILETIME ticks
  std::uint64_t modifyTime = 0;
  EntryId left = kNoEntry, right = kNoEntry, child = kNoEntry;

  bool isStorage() const { return type == EntryType::kStorage || type == EntryType::kRoot; }
  bool isStream() const { return type == EntryType::kStream; }
};

class CompoundFile;

// One stream's validated sector list: random-access reads without walking the
// chain again. Holds the file (and so its byte source) alive.
class StreamReader {
 public:
  StreamReader() = default;
  std::uint64_t size() const { return size_; }
  // Copies min(n, size - offset) bytes at offset and stores the count in *done.
  Status read(std::uint64_t offset, void* dst, std::size_t n, std::size_t* done) const noexcept;
  // The whole stream, into a byte vector of any allocator.
  template <typename Allocator>
  Status readAll(std::vector<std::uint8_t, Allocator>* out) const noexcept {
    try {
      if (std::uint64_t(std::size_t(size_)) != size_) return Status::kNoMemory;  // 32-bit builds
      out->resize(std::size_t(size_));
    } catch (const std::exception&) {
      return Status::kNoMemory;
    }
    std::size_t done = 0;
    const Status s = read(0, out->data(), out->size(), &done);
    if (s != Status::kOk) out->clear();
    return s;
  }

 private:
  friend class CompoundFile;
  std::shared_ptr<const CompoundFile> file_;
  std::shared_ptr<const std::vector<std::uint32_t>> sectors_;
  std::uint64_t size_ = 0;
  bool mini_ = false;
};

class CompoundFile : public std::enable_shared_from_this<CompoundFile> {
 public:
  // Reads and checks the header, FAT, mini FAT and directory. On failure
  // returns null and the reason in *status (which may be null).
  static std::shared_ptr<const CompoundFile> Open(std::shared_ptr<const ByteSource> source,
                                                  Status* status) noexcept;
  // Over bytes the caller keeps alive and unchanged while the file is in use.
  static std::shared_ptr<const CompoundFile> OpenMemory(const void* data, std::size_t size,
                                                        Status* status) noexcept;

  unsigned majorVersion() const { return major_; }
  std::uint32_t sectorSize() const { return sectorSize_; }
  const ByteSource& source() const { return *source_; }

  std::size_t entryCount() const { return entries_.size(); }
  // Null when id is out of range.
  const DirEntry* entry(EntryId id) const;

  // The streams and storages directly inside a storage, in tree order.
  Status children(EntryId storage, std::vector<EntryId>* out) const noexcept;
  // Finds a direct child by name, without regard to case.
  Status find(EntryId storage, std::u16string_view name, EntryId* out) const noexcept;
  Status openStream(EntryId id, StreamReader* out) const noexcept;
  Status openStream(EntryId storage, std::u16string_view name, StreamReader* out) const noexcept;
  Status readStream(EntryId id, std::vector<std::uint8_t>* out) const noexcept;

  CompoundFile(const CompoundFile&) = delete;
  CompoundFile& operator=(const CompoundFile&) = delete;
  ~CompoundFile();

 private:
  friend class StreamReader;
  struct Impl;
  CompoundFile();
  Status load();

  std::shared_ptr<const ByteSource> source_;
  unsigned major_ = 0;
  std::uint32_t sectorSize_ = 0;
  std::uint32_t headerSize_ = 0;     // where sector 0 starts
  std::uint32_t sectorsInFile_ = 0;  // sectors that start before the end of the data
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> miniFat_;
  Status miniFatStatus_ = Status::kOk;
  std::vector<std::uint32_t> miniStream_;  // regular sectors holding the mini stream
  Status miniStreamStatus_ = Status::kOk;
  std::vector<DirEntry> entries_;
  // Per entry: the children of a storage, in tree order, or why they are unusable.
  std::vector<std::vector<EntryId>> children_;
  std::vector<Status> childStatus_;
};

}  // namespace platform::cfb
