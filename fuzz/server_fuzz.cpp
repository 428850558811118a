// The whole bundled server on a document in memory: the bytes become a
// compound-file storage, the filter loads it through IPersistStorage and every
// chunk's text is drained in small pieces. Inputs of odd length also ask for
// the property values, which are taken and freed.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/com_ref.h"
#include "platform/filter.h"
#include "platform/memory.h"
#include "platform/storage.h"
#include "wordfilt/component/factory.h"

namespace {

void Drain(IFilter* filter) {
  WCHAR buffer[257];
  STAT_CHUNK stat;
  for (int chunks = 0; chunks < 100000 && filter->GetChunk(&stat) == S_OK; ++chunks) {
    if (stat.flags == CHUNK_VALUE) {
      PROPVARIANT* value = nullptr;
      if (filter->GetValue(&value) == S_OK && value) {
        PropVariantClear(value);
        CoTaskMemFree(value);
      }
      continue;
    }
    for (;;) {
      ULONG count = 257;
      const HRESULT hr = filter->GetText(&count, buffer);
      if (hr != S_OK) break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size + 2);
  if (!mem) return 0;
  std::memcpy(GlobalLock(mem), data, size);
  GlobalUnlock(mem);
  {
    platform::ComRef<ILockBytes> bytes;
    platform::ComRef<IStorage> storage;
    if (CreateILockBytesOnHGlobal(mem, FALSE, bytes.put()) == S_OK) {
      StgOpenStorageOnILockBytes(bytes.get(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                 storage.put());
    }
    static auto* factory = new wordfilt::FilterFactory();
    platform::ComRef<IFilter> filter;
    platform::ComRef<IPersistStorage> persist;
    if (storage && SUCCEEDED(factory->CreateInstance(nullptr, IID_IFilter, filter.put_void())) &&
        SUCCEEDED(filter->QueryInterface(IID_IPersistStorage, persist.put_void()))) {
      ULONG flags = 0;
      const ULONG init = (size & 1) ? IFILTER_INIT_APPLY_INDEX_ATTRIBUTES : 0;
      if (SUCCEEDED(persist->Load(storage.get())) &&
          SUCCEEDED(filter->Init(init, 0, nullptr, &flags))) {
        Drain(filter.get());
      }
    }
  }  // every reference goes before the memory under the storage
  GlobalFree(mem);
  return 0;
}
