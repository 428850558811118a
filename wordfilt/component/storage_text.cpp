#include "wordfilt/component/storage_text.h"

#include <string>

#include "platform/filter.h"
#include "wordfilt/component/storage_open.h"
#include "wordfilt/doc/extract.h"
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
    const std::u16string terminated(name);
    return ReadStorageStream(storage_, terminated.c_str(), kMaxStreamBytes, &out);
  }

 private:
  IStorage* storage_;
};

}  // namespace

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
  const std::u16string name(kSummaryInformationStream);
  if (!ReadStorageStream(storage, name.c_str(), kMaxPropertyBytes, &bytes)) return;
  try {
    *out = ReadSummaryProperties(ByteSpan(bytes));
  } catch (...) {
    out->clear();
  }
}

}  // namespace wordfilt
