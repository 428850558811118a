#include "wordfilt/doc/compound_streams.h"

#include "wordfilt/doc/extract.h"
#include "wordfilt/doc/memory_streams.h"

namespace wordfilt {

bool CompoundStreams::Read(std::u16string_view name, ByteBuffer& out) {
  using platform::cfb::Status;
  if (!file_) return false;
  platform::cfb::EntryId storage = platform::cfb::kRootEntry;
  // Storages on the way come first, each followed by "/" (a character no
  // element name may hold).
  for (std::size_t slash = name.find(u'/'); slash != std::u16string_view::npos;
       slash = name.find(u'/')) {
    platform::cfb::EntryId child = platform::cfb::kNoEntry;
    if (file_->find(storage, name.substr(0, slash), &child) != Status::kOk) return false;
    const platform::cfb::DirEntry* entry = file_->entry(child);
    if (entry == nullptr || !entry->isStorage()) return false;
    storage = child;
    name.remove_prefix(slash + 1);
  }
  platform::cfb::EntryId id = platform::cfb::kNoEntry;
  if (file_->find(storage, name, &id) != Status::kOk) return false;
  const platform::cfb::DirEntry* entry = file_->entry(id);
  if (entry == nullptr || !entry->isStream()) return false;
  platform::cfb::StreamReader reader;
  return file_->openStream(id, &reader) == Status::kOk && reader.readAll(&out) == Status::kOk;
}

namespace {

// Word 2 wrote plain files: the whole file is its document stream.
class PlainFile : public StreamSource {
 public:
  PlainFile(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Read(std::u16string_view name, ByteBuffer& out) override {
    if (!SameStreamName(name, kWordDocumentStream)) return false;
    out.assign(data_, data_ + size_);
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

bool IsWord2(const std::uint8_t* data, std::size_t size) {
  return size >= 2 && data[0] == 0xDB && data[1] == 0xA5;
}

// The text of an opened compound file, or what its failure to open means.
LoadStatus ExtractFromFile(std::shared_ptr<const platform::cfb::CompoundFile> file,
                           platform::cfb::Status status, DocumentText& out,
                           const ExtractOptions& options) {
  using platform::cfb::Status;
  if (!file) {
    const bool container = status != Status::kNotCompoundFile && status != Status::kOldFormat;
    return container ? LoadStatus::kDamaged : LoadStatus::kNotWord;
  }
  CompoundStreams streams(std::move(file));
  return ExtractText(streams, out, options);
}

}  // namespace

LoadStatus ExtractFromBytes(const std::uint8_t* data, std::size_t size, DocumentText& out,
                            const ExtractOptions& options) {
  using platform::cfb::Status;
  out = DocumentText();
  Status status = Status::kOk;
  auto file = platform::cfb::CompoundFile::OpenMemory(data, size, &status);
  if (!file && status == Status::kNotCompoundFile && IsWord2(data, size)) {
    PlainFile plain(data, size);
    return ExtractText(plain, out, options);
  }
  return ExtractFromFile(std::move(file), status, out, options);
}

LoadStatus ExtractFromCompoundSource(std::shared_ptr<const platform::cfb::ByteSource> source,
                                     DocumentText& out, const ExtractOptions& options) {
  out = DocumentText();
  platform::cfb::Status status = platform::cfb::Status::kOk;
  auto file = platform::cfb::CompoundFile::Open(std::move(source), &status);
  return ExtractFromFile(std::move(file), status, out, options);
}

}  // namespace wordfilt
