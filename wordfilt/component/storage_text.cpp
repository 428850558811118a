#include "wordfilt/component/storage_text.h"

#include <string>

#include "platform/com_ref.h"
#include "platform/filter.h"
#include "wordfilt/component/storage_open.h"
#include "wordfilt/doc/extract.h"
#include "wordfilt/doc/memory_streams.h"
#include "wordfilt/doc/properties.h"

namespace wordfilt {
namespace {

// No stream of a Word document comes near this; a larger one is not ours.
constexpr std::size_t kMaxStreamBytes = std::size_t(1) << 31;
// Property sets hold a few strings; a larger one is damaged or not ours.
constexpr std::size_t kMaxPropertyBytes = std::size_t(1) << 20;

class StorageStreams final : public StreamSource {
 public:
  explicit StorageStreams(IStorage* storage) : storage_(storage) {}
  bool Read(std::u16string_view name, ByteBuffer& out) override {
    return ReadDocumentStream(storage_, name, out);
  }

 private:
  IStorage* storage_;
};

// Reads the stream at `path` below `storage`: storages on the way are named
// before it, each followed by "/" (an embedded object's "ObjectPool/_12/...").
bool ReadStreamAt(IStorage* storage, std::u16string_view path, std::size_t limit, ByteBuffer& out) {
  const std::size_t slash = path.find(u'/');
  if (slash == std::u16string_view::npos) {
    const std::u16string terminated(path);
    return ReadStorageStream(storage, terminated.c_str(), limit, &out);
  }
  const std::u16string name(path.substr(0, slash));
  platform::ComRef<IStorage> child;
  if (FAILED(storage->OpenStorage(reinterpret_cast<const WCHAR*>(name.c_str()), nullptr,
                                  STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, child.put())) ||
      !child) {
    return false;
  }
  const bool ok = ReadStreamAt(child.get(), path.substr(slash + 1), limit, out);
  return ok;
}

}  // namespace

bool ReadDocumentStream(IStorage* storage, std::u16string_view name, ByteBuffer& out) noexcept {
  try {
    const std::size_t limit =
        SameStreamName(name, kSummaryInformationStream) ? kMaxPropertyBytes : kMaxStreamBytes;
    return ReadStreamAt(storage, name, limit, out);
  } catch (...) {
    out.clear();
    return false;
  }
}

HRESULT LoadDocumentText(IStorage* storage, DocumentText* text) noexcept {
  StorageStreams streams(storage);
  ExtractOptions options;
  options.properties = false;
  switch (ExtractText(streams, *text, options)) {
    case LoadStatus::kOk: return S_OK;
    case LoadStatus::kEncrypted: return FILTER_E_PASSWORD;
    case LoadStatus::kNotWord:
    case LoadStatus::kDamaged:
    default: return FILTER_E_UNKNOWNFORMAT;
  }
}

void LoadDocumentProperties(IStorage* storage, std::vector<DocumentProperty>* out) noexcept {
  out->clear();
  ByteBuffer bytes;
  if (!ReadDocumentStream(storage, kSummaryInformationStream, bytes)) return;
  try {
    *out = ReadSummaryProperties(ByteSpan(bytes));
  } catch (...) {
    out->clear();
  }
}

}  // namespace wordfilt
