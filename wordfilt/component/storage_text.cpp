#include "wordfilt/component/storage_text.h"

#include <string>

#include "platform/filter.h"
#include "wordfilt/component/storage_open.h"
#include "wordfilt/doc/extract.h"

namespace wordfilt {
namespace {

// No stream of a Word document comes near this; a larger one is not ours.
constexpr std::size_t kMaxStreamBytes = std::size_t(1) << 31;

class StorageStreams final : public StreamSource {
 public:
  explicit StorageStreams(IStorage* storage) : storage_(storage) {}
  bool Read(std::u16string_view name, std::vector<std::uint8_t>& out) override {
    const std::u16string terminated(name);
    return ReadStorageStream(storage_, terminated.c_str(), kMaxStreamBytes, &out);
  }

 private:
  IStorage* storage_;
};

}  // namespace

HRESULT LoadDocumentText(IStorage* storage, DocumentText* text) noexcept {
  StorageStreams streams(storage);
  switch (ExtractText(streams, *text)) {
    case LoadStatus::kOk: return S_OK;
    case LoadStatus::kEncrypted: return FILTER_E_PASSWORD;
    case LoadStatus::kNotWord:
    case LoadStatus::kDamaged:
    default: return FILTER_E_UNKNOWNFORMAT;
  }
}

}  // namespace wordfilt
