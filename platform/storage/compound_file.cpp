#include "platform/storage/compound_file.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "platform/little_endian.h"
#include "platform/storage/entry_name.h"

namespace platform::cfb {
namespace {

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
// Files written by pre-release versions of the format.
constexpr std::uint8_t kOldSignature[8] = {0x0E, 0x11, 0xFC, 0x0D, 0xD0, 0xCF, 0x11, 0x0E};

constexpr std::uint32_t kMaxRegSect = 0xFFFFFFFAu;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFFu;
constexpr std::uint32_t kMiniSectorSize = 64;
constexpr std::uint64_t kMiniCutoff = 4096;
constexpr std::size_t kUnbounded = static_cast<std::size_t>(-1);

// The header at the start of the file; the rest of its sector, for 4096-byte
// sectors, is unused.
struct Header {
  std::uint8_t signature[8];
  std::uint8_t clsid[16];
  Le16 minorVersion;
  Le16 majorVersion;
  Le16 byteOrder;  // 0xFFFE
  Le16 sectorShift;
  Le16 miniSectorShift;
  std::uint8_t reserved[6];
  Le32 directorySectors;  // 0 in version-3 files
  Le32 fatSectors;
  Le32 firstDirectorySector;
  Le32 transactionSignature;
  Le32 miniStreamCutoff;
  Le32 firstMiniFatSector;
  Le32 miniFatSectors;
  Le32 firstDifatSector;
  Le32 difatSectors;
  Le32 difat[109];  // the first FAT sectors; the DIFAT chain lists the rest
};
static_assert(sizeof(Header) == 512, "the header is 512 bytes");
static_assert(offsetof(Header, majorVersion) == 26 && offsetof(Header, fatSectors) == 44 &&
                  offsetof(Header, difat) == 76,
              "header fields at their places");

// One entry of the directory: a storage, a stream, the root or an unused slot.
struct DirectoryEntry {
  Le16 name[32];   // UTF-16, NUL-terminated
  Le16 nameBytes;  // including the NUL
  std::uint8_t type;
  std::uint8_t color;
  Le32 left;
  Le32 right;
  Le32 child;
  std::uint8_t clsid[16];
  Le32 stateBits;
  Le64 createTime;
  Le64 modifyTime;
  Le32 start;
  Le64 size;  // version-3 writers may leave garbage in the high half
};
static_assert(sizeof(DirectoryEntry) == 128, "a directory entry is 128 bytes");
static_assert(offsetof(DirectoryEntry, type) == 66 && offsetof(DirectoryEntry, clsid) == 80 &&
                  offsetof(DirectoryEntry, start) == 116,
              "directory entry fields at their places");

bool IsChainEnd(std::uint32_t id) { return id == kEndOfChain || id == kFreeSect; }

// Copies n bytes at offset; bytes past the end of the data read as zero (only
// the file's last sector can be cut short: every sector start is checked).
Status ReadRun(const ByteSource& src, std::uint64_t offset, void* dst, std::size_t n) {
  std::size_t got = 0;
  if (!src.readAt(offset, dst, n, &got)) return Status::kReadFailed;
  if (got < n) std::memset(static_cast<std::uint8_t*>(dst) + got, 0, n - got);
  return Status::kOk;
}

}  // namespace

const char* StatusName(Status s) {
  switch (s) {
    case Status::kOk: return "ok";
    case Status::kNotCompoundFile: return "not a compound file";
    case Status::kOldFormat: return "pre-release compound file";
    case Status::kShortHeader: return "data ends inside the header";
    case Status::kBadHeader: return "invalid header";
    case Status::kCorrupt: return "corrupt compound file";
    case Status::kTruncated: return "sector past the end of the data";
    case Status::kNotFound: return "no such element";
    case Status::kWrongType: return "wrong element type";
    case Status::kNoMemory: return "out of memory";
    case Status::kReadFailed: return "read failed";
  }
  return "unknown";
}

// Helpers with access to the file's private state.
struct CompoundFile::Impl {
  // Follows a chain in `table` from `start`, collecting at most `limit` ids
  // (to the chain's end when kUnbounded). Ids at or past `present` name
  // sectors that the data does not reach.
  static Status Walk(const std::vector<std::uint32_t>& table, std::uint32_t start,
                     std::uint32_t present, std::size_t limit, std::vector<std::uint32_t>* out) {
    out->clear();
    if (limit != kUnbounded) out->reserve(limit);
    std::vector<bool> seen(table.size());
    std::uint32_t id = start;
    while (out->size() < limit) {
      if (IsChainEnd(id)) return limit == kUnbounded ? Status::kOk : Status::kCorrupt;
      if (id > kMaxRegSect || id >= table.size()) return Status::kCorrupt;
      if (id >= present) return Status::kTruncated;
      if (seen[id]) return Status::kCorrupt;  // a loop
      seen[id] = true;
      out->push_back(id);
      id = table[id];
    }
    return Status::kOk;
  }

  // Reads whole regular sectors, one copy per run of adjacent sectors.
  static Status ReadSectors(const CompoundFile& f, const std::vector<std::uint32_t>& ids,
                            std::uint8_t* dst) {
    const std::uint32_t ss = f.sectorSize_;
    for (std::size_t i = 0; i < ids.size();) {
      std::size_t run = 1;
      while (i + run < ids.size() && ids[i + run] == ids[i] + run) ++run;
      const Status s = ReadRun(*f.source_, SectorOffset(f, ids[i]), dst + i * ss, run * ss);
      if (s != Status::kOk) return s;
      i += run;
    }
    return Status::kOk;
  }

  static std::uint64_t SectorOffset(const CompoundFile& f, std::uint32_t id) {
    return f.headerSize_ + std::uint64_t(id) * f.sectorSize_;
  }

  // Reads a table of 32-bit ids (FAT or mini FAT) held in the given sectors.
  static Status ReadTable(const CompoundFile& f, const std::vector<std::uint32_t>& ids,
                          std::vector<std::uint32_t>* table) {
    // Straight into the table, converted in place where the host is not
    // little-endian.
    table->resize(ids.size() * (f.sectorSize_ / 4));
    auto* bytes = reinterpret_cast<std::uint8_t*>(table->data());
    const Status s = ReadSectors(f, ids, bytes);
    if (s != Status::kOk) return s;
    const std::uint32_t probe = 1;
    if (*reinterpret_cast<const std::uint8_t*>(&probe) != 1) {
      for (std::size_t i = 0; i < table->size(); ++i) {
        Le32 id;
        std::memcpy(&id, bytes + 4 * i, sizeof id);
        (*table)[i] = id;
      }
    }
    return Status::kOk;
  }

  // The FAT's sector ids: the header's 109 and then the DIFAT chain.
  static Status FatSectors(const CompoundFile& f, const Header& header,
                           std::vector<std::uint32_t>* out) {
    const std::uint32_t wanted = header.fatSectors;
    if (wanted == 0 || wanted > f.sectorsInFile_) return Status::kCorrupt;
    out->reserve(wanted);
    // Adds one listed FAT sector; false once the list ends early.
    Status bad = Status::kOk;
    auto take = [&](std::uint32_t id) {
      if (IsChainEnd(id)) return false;
      if (id > kMaxRegSect)
        bad = Status::kCorrupt;
      else if (id >= f.sectorsInFile_)
        bad = Status::kTruncated;
      else
        out->push_back(id);
      return bad == Status::kOk;
    };
    for (const Le32& id : header.difat) {
      if (out->size() >= wanted) break;
      if (!take(id)) return bad;
    }
    // A DIFAT sector: FAT sector ids, then the next DIFAT sector's id.
    const std::uint32_t perSector = f.sectorSize_ / 4 - 1;
    std::vector<bool> seen(f.sectorsInFile_);
    // Not zeroed first: reading a sector fills every byte.
    std::unique_ptr<Le32[]> sector(new Le32[f.sectorSize_ / 4]);
    std::uint32_t next = header.firstDifatSector;
    while (out->size() < wanted && !IsChainEnd(next)) {
      if (next > kMaxRegSect) return Status::kCorrupt;
      if (next >= f.sectorsInFile_) return Status::kTruncated;
      if (seen[next]) return Status::kCorrupt;
      seen[next] = true;
      const Status s = ReadRun(*f.source_, SectorOffset(f, next), sector.get(), f.sectorSize_);
      if (s != Status::kOk) return s;
      for (std::uint32_t i = 0; i < perSector && out->size() < wanted; ++i) {
        if (!take(sector[i])) return bad;
      }
      next = sector[perSector];
    }
    return Status::kOk;
  }

  static void ParseEntry(const DirectoryEntry& d, unsigned major, DirEntry* e) {
    const std::uint16_t nameBytes = d.nameBytes;
    std::size_t units = (nameBytes >= 2 && nameBytes <= 64) ? nameBytes / 2 - 1 : 32;
    e->name.clear();
    for (std::size_t i = 0; i < units; ++i) {
      const char16_t c = d.name[i];
      if (c == 0) break;
      e->name.push_back(c);
    }
    const std::uint8_t type = d.type;
    e->type = (type == 1 || type == 2 || type == 5) ? EntryType(type) : EntryType::kUnused;
    e->left = d.left;
    e->right = d.right;
    e->child = d.child;
    std::memcpy(e->clsid.data(), d.clsid, sizeof d.clsid);
    e->stateBits = d.stateBits;
    e->createTime = d.createTime;
    e->modifyTime = d.modifyTime;
    e->start = d.start;
    e->size = major == 3 ? std::uint64_t{d.size.low} : std::uint64_t{d.size};
  }

  // Lists each storage's children in tree order. Every entry may hang in the
  // tree once; a second visit means a loop or shared subtree, and fails the
  // storage. Links to unused entries or past the directory are dropped.
  static void BuildTree(CompoundFile& f) {
    const std::size_t n = f.entries_.size();
    f.children_.assign(n, {});
    f.childStatus_.assign(n, Status::kOk);
    std::vector<bool> seen(n);
    seen[kRootEntry] = true;
    std::vector<EntryId> storages{kRootEntry};
    std::vector<EntryId> stack;
    for (std::size_t k = 0; k < storages.size(); ++k) {
      const EntryId parent = storages[k];
      std::vector<EntryId>& list = f.children_[parent];
      const std::size_t firstNew = storages.size();
      stack.clear();
      EntryId cur = f.entries_[parent].child;
      bool ok = true;
      while (ok && (cur != kNoEntry || !stack.empty())) {
        while (cur != kNoEntry) {
          // A link to nothing usable is cut off, as other readers do; what the
          // rest of the tree holds stays reachable.
          if (cur < n && seen[cur]) {  // the root counts as seen: a link back up is a loop
            ok = false;
            break;
          }
          if (cur >= n ||
              !(f.entries_[cur].isStream() || f.entries_[cur].type == EntryType::kStorage)) {
            cur = kNoEntry;
            break;
          }
          seen[cur] = true;
          stack.push_back(cur);
          cur = f.entries_[cur].left;
        }
        if (!ok || stack.empty()) break;
        cur = stack.back();
        stack.pop_back();
        list.push_back(cur);
        if (f.entries_[cur].isStorage()) storages.push_back(cur);
        cur = f.entries_[cur].right;
      }
      if (!ok) {
        f.childStatus_[parent] = Status::kCorrupt;
        list.clear();
        storages.resize(firstNew);  // what hangs below a broken tree stays unreachable
      }
    }
  }
};

CompoundFile::CompoundFile() = default;
CompoundFile::~CompoundFile() = default;

std::shared_ptr<const CompoundFile> CompoundFile::Open(std::shared_ptr<const ByteSource> source,
                                                       Status* status) noexcept {
  Status s = Status::kNoMemory;
  std::shared_ptr<CompoundFile> f;
  try {
    if (!source) {
      s = Status::kNotCompoundFile;
    } else {
      f.reset(new CompoundFile);
      f->source_ = std::move(source);
      s = f->load();
    }
  } catch (const std::exception&) {  // allocation failures
    s = Status::kNoMemory;
  }
  if (status) *status = s;
  if (s != Status::kOk) return nullptr;
  return f;
}

std::shared_ptr<const CompoundFile> CompoundFile::OpenMemory(const void* data, std::size_t size,
                                                             Status* status) noexcept {
  std::shared_ptr<const ByteSource> src;
  try {
    src = std::make_shared<MemorySource>(data, size);
  } catch (const std::exception&) {
    if (status) *status = Status::kNoMemory;
    return nullptr;
  }
  return Open(std::move(src), status);
}

Status CompoundFile::load() {
  const std::uint64_t size = source_->size();
  Header header = {};
  const std::size_t headLen = size < sizeof header ? std::size_t(size) : sizeof header;
  std::size_t got = 0;
  if (!source_->readAt(0, &header, headLen, &got)) return Status::kReadFailed;
  if (got < headLen) return Status::kShortHeader;
  const std::size_t sigLen = std::min<std::size_t>(headLen, 8);
  if (sigLen == 8 && std::memcmp(header.signature, kOldSignature, 8) == 0)
    return Status::kOldFormat;
  if (sigLen == 0 || std::memcmp(header.signature, kSignature, sigLen) != 0)
    return Status::kNotCompoundFile;
  if (headLen < sizeof header) return Status::kShortHeader;

  major_ = header.majorVersion;
  const unsigned shift = header.sectorShift;
  if (header.byteOrder != 0xFFFE || (major_ != 3 && major_ != 4) || (shift != 9 && shift != 12) ||
      header.miniSectorShift != 6 || header.miniStreamCutoff != kMiniCutoff) {
    return Status::kBadHeader;
  }
  sectorSize_ = 1u << shift;
  headerSize_ = sectorSize_;  // the header fills sector -1
  const std::uint64_t body = size > headerSize_ ? size - headerSize_ : 0;
  sectorsInFile_ =
      std::uint32_t(std::min<std::uint64_t>((body + sectorSize_ - 1) / sectorSize_, kMaxRegSect));

  std::vector<std::uint32_t> ids;
  Status s = Impl::FatSectors(*this, header, &ids);
  if (s != Status::kOk) return s;
  if ((s = Impl::ReadTable(*this, ids, &fat_)) != Status::kOk) return s;

  // Directory.
  if ((s = Impl::Walk(fat_, header.firstDirectorySector, sectorsInFile_, kUnbounded, &ids)) !=
      Status::kOk)
    return s;
  if (ids.empty()) return Status::kCorrupt;
  {
    // Sectors hold whole entries (512 and 4096 are multiples of 128). Not
    // zeroed first: reading the sectors fills every byte.
    const std::size_t count = ids.size() * (sectorSize_ / sizeof(DirectoryEntry));
    std::unique_ptr<DirectoryEntry[]> raw(new DirectoryEntry[count]);
    if ((s = Impl::ReadSectors(*this, ids, reinterpret_cast<std::uint8_t*>(raw.get()))) !=
        Status::kOk)
      return s;
    entries_.resize(count);
    for (std::size_t i = 0; i < count; ++i) Impl::ParseEntry(raw[i], major_, &entries_[i]);
  }
  DirEntry& root = entries_[kRootEntry];
  if (!root.isStorage()) return Status::kCorrupt;
  root.type = EntryType::kRoot;

  // Mini FAT and mini stream: failures here fail only the small streams.
  const std::uint32_t miniFatStart = header.firstMiniFatSector;
  if (!IsChainEnd(miniFatStart)) {
    miniFatStatus_ = Impl::Walk(fat_, miniFatStart, sectorsInFile_, kUnbounded, &ids);
    if (miniFatStatus_ == Status::kOk) miniFatStatus_ = Impl::ReadTable(*this, ids, &miniFat_);
    if (miniFatStatus_ != Status::kOk) miniFat_.clear();
  }
  if (root.size > 0) {
    // The whole chain, so that a root size written too small still finds the
    // mini sectors; a damaged tail beyond the stated size is tolerated.
    miniStreamStatus_ = Impl::Walk(fat_, root.start, sectorsInFile_, kUnbounded, &miniStream_);
    if (miniStreamStatus_ != Status::kOk &&
        std::uint64_t(miniStream_.size()) * sectorSize_ >= root.size) {
      miniStreamStatus_ = Status::kOk;
    }
    if (miniStreamStatus_ != Status::kOk) miniStream_.clear();
  }
  Impl::BuildTree(*this);
  return Status::kOk;
}

const DirEntry* CompoundFile::entry(EntryId id) const {
  return id < entries_.size() ? &entries_[id] : nullptr;
}

Status CompoundFile::children(EntryId storage, std::vector<EntryId>* out) const noexcept {
  const DirEntry* e = entry(storage);
  if (!e) return Status::kNotFound;
  if (!e->isStorage()) return Status::kWrongType;
  if (childStatus_[storage] != Status::kOk) return childStatus_[storage];
  try {
    *out = children_[storage];
  } catch (const std::exception&) {
    return Status::kNoMemory;
  }
  return Status::kOk;
}

Status CompoundFile::find(EntryId storage, std::u16string_view name, EntryId* out) const noexcept {
  *out = kNoEntry;
  const DirEntry* e = entry(storage);
  if (!e) return Status::kNotFound;
  if (!e->isStorage()) return Status::kWrongType;
  if (childStatus_[storage] != Status::kOk) return childStatus_[storage];
  // A scan rather than a tree search: sloppy writers leave trees unordered.
  for (EntryId id : children_[storage]) {
    if (NamesEqual(entries_[id].name, name)) {
      *out = id;
      return Status::kOk;
    }
  }
  return Status::kNotFound;
}

Status CompoundFile::openStream(EntryId id, StreamReader* out) const noexcept {
  *out = StreamReader();
  const DirEntry* e = entry(id);
  if (!e || e->type == EntryType::kUnused) return Status::kNotFound;
  if (!e->isStream()) return Status::kWrongType;
  try {
    auto sectors = std::make_shared<std::vector<std::uint32_t>>();
    const bool mini = e->size < kMiniCutoff;
    if (e->size > 0 && mini) {
      if (miniFatStatus_ != Status::kOk) return miniFatStatus_;
      if (miniStreamStatus_ != Status::kOk) return miniStreamStatus_;
      const std::uint64_t present =
          std::uint64_t(miniStream_.size()) * sectorSize_ / kMiniSectorSize;
      const std::size_t count = std::size_t((e->size + kMiniSectorSize - 1) / kMiniSectorSize);
      // Mini sectors past the mini stream's sectors are damage, not truncation.
      const Status s = Impl::Walk(miniFat_, e->start,
                                  std::uint32_t(std::min<std::uint64_t>(present, kMaxRegSect)),
                                  count, sectors.get());
      if (s != Status::kOk) return s == Status::kTruncated ? Status::kCorrupt : s;
    } else if (e->size > 0) {
      if (e->size > std::uint64_t(sectorsInFile_) * sectorSize_) return Status::kCorrupt;
      const std::size_t count = std::size_t((e->size + sectorSize_ - 1) / sectorSize_);
      const Status s = Impl::Walk(fat_, e->start, sectorsInFile_, count, sectors.get());
      if (s != Status::kOk) return s;
    }
    out->file_ = shared_from_this();
    out->sectors_ = std::move(sectors);
    out->size_ = e->size;
    out->mini_ = mini;
  } catch (const std::exception&) {
    *out = StreamReader();
    return Status::kNoMemory;
  }
  return Status::kOk;
}

Status CompoundFile::openStream(EntryId storage, std::u16string_view name,
                                StreamReader* out) const noexcept {
  EntryId id = kNoEntry;
  const Status s = find(storage, name, &id);
  if (s != Status::kOk) {
    *out = StreamReader();
    return s;
  }
  return openStream(id, out);
}

Status CompoundFile::readStream(EntryId id, std::vector<std::uint8_t>* out) const noexcept {
  StreamReader r;
  const Status s = openStream(id, &r);
  if (s != Status::kOk) return s;
  return r.readAll(out);
}

Status StreamReader::read(std::uint64_t offset, void* dst, std::size_t n,
                          std::size_t* done) const noexcept {
  *done = 0;
  if (offset >= size_ || n == 0) return Status::kOk;
  if (n > size_ - offset) n = std::size_t(size_ - offset);
  const CompoundFile& f = *file_;
  const std::vector<std::uint32_t>& ids = *sectors_;
  const std::uint32_t unit = mini_ ? kMiniSectorSize : f.sectorSize_;
  // Where the stream's unit `index` lies in the data.
  auto where = [&](std::size_t index) -> std::uint64_t {
    if (!mini_) return CompoundFile::Impl::SectorOffset(f, ids[index]);
    const std::uint64_t inMini = std::uint64_t(ids[index]) * kMiniSectorSize;
    return CompoundFile::Impl::SectorOffset(f, f.miniStream_[std::size_t(inMini / f.sectorSize_)]) +
           inMini % f.sectorSize_;
  };
  auto* out = static_cast<std::uint8_t*>(dst);
  std::size_t copied = 0;
  while (copied < n) {
    const std::uint64_t pos = offset + copied;
    std::size_t index = std::size_t(pos / unit);
    const std::uint64_t start = where(index) + pos % unit;
    std::size_t len = std::min<std::size_t>(unit - std::size_t(pos % unit), n - copied);
    // Extend over units that follow on in the data: one copy per run.
    while (copied + len < n && where(index + 1) == start + len) {
      ++index;
      len += std::min<std::size_t>(unit, n - copied - len);
    }
    const Status s = ReadRun(f.source(), start, out + copied, len);
    if (s != Status::kOk) return s;
    copied += len;
  }
  *done = copied;
  return Status::kOk;
}

}  // namespace platform::cfb
