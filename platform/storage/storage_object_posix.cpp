// IStorage and IEnumSTATSTG over one storage of a CompoundFile. Read-only: the
// changing operations answer STG_E_ACCESSDENIED. Each object holds the file,
// so elements opened from it stay readable after the storage is released.
#ifndef _WIN32
#include <atomic>
#include <new>
#include <vector>

#include "platform/storage/com_objects.h"

namespace platform::cfb {
namespace {

const IID kIidEnumStatStg = {0x0000000D, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

HRESULT StatOf(const CompoundFile& file, EntryId id, DWORD mode, DWORD flags, STATSTG* out) {
  const DirEntry& e = *file.entry(id);
  return e.isStream() ? FillStat(e, STGTY_STREAM, e.size, mode, flags, &e.name, out)
                      : FillStat(e, STGTY_STORAGE, 0, mode, flags, &e.name, out);
}

class EnumObject final : public IEnumSTATSTG {
 public:
  EnumObject(std::shared_ptr<const CompoundFile> file, std::vector<EntryId> ids, std::size_t pos)
      : file_(std::move(file)), ids_(std::move(ids)), pos_(pos) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == kIidEnumStatStg) {
      *ppv = static_cast<IEnumSTATSTG*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG r = --refs_;
    if (r == 0) delete this;
    return r;
  }

  HRESULT STDMETHODCALLTYPE Next(ULONG celt, STATSTG* rgelt, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (!rgelt) return STG_E_INVALIDPOINTER;
    if (!fetched && celt != 1) return E_INVALIDARG;
    ULONG n = 0;
    while (n < celt && pos_ < ids_.size()) {
      const HRESULT hr =
          StatOf(*file_, ids_[pos_], STGM_READ | STGM_SHARE_EXCLUSIVE, STATFLAG_DEFAULT, &rgelt[n]);
      if (FAILED(hr)) {
        while (n > 0) CoTaskMemFree(rgelt[--n].pwcsName);
        return hr;
      }
      ++n;
      ++pos_;
    }
    if (fetched) *fetched = n;
    return n == celt ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override {
    const std::size_t left = ids_.size() - pos_;
    if (celt > left) {
      pos_ = ids_.size();
      return S_FALSE;
    }
    pos_ += celt;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    pos_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumSTATSTG** clone) override {
    if (!clone) return STG_E_INVALIDPOINTER;
    *clone = nullptr;
    try {
      *clone = new EnumObject(file_, ids_, pos_);
    } catch (const std::exception&) {
      return STG_E_INSUFFICIENTMEMORY;
    }
    return S_OK;
  }

 private:
  ~EnumObject() = default;
  std::atomic<ULONG> refs_{1};
  std::shared_ptr<const CompoundFile> file_;
  std::vector<EntryId> ids_;
  std::size_t pos_;
};

class StorageObject final : public IStorage {
 public:
  StorageObject(std::shared_ptr<const CompoundFile> file, EntryId id, DWORD mode,
                std::u16string rootName)
      : file_(std::move(file)), id_(id), mode_(mode), rootName_(std::move(rootName)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IStorage) {
      *ppv = static_cast<IStorage*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG r = --refs_;
    if (r == 0) delete this;
    return r;
  }

  HRESULT STDMETHODCALLTYPE CreateStream(LPCOLESTR, DWORD, DWORD, DWORD,
                                         IStream** stream) override {
    if (stream) *stream = nullptr;
    return STG_E_ACCESSDENIED;
  }
  HRESULT STDMETHODCALLTYPE OpenStream(LPCOLESTR name, void*, DWORD mode, DWORD,
                                       IStream** stream) override {
    if (!stream) return STG_E_INVALIDPOINTER;
    *stream = nullptr;
    if (!name) return STG_E_INVALIDPOINTER;
    HRESULT hr = CheckElementMode(mode, mode_);
    if (FAILED(hr)) return hr;
    EntryId id = kNoEntry;
    Status s = file_->find(id_, name, &id);
    if (s != Status::kOk) return ToHresult(s);
    const DirEntry& e = *file_->entry(id);
    if (!e.isStream()) return STG_E_FILENOTFOUND;
    StreamReader reader;
    s = file_->openStream(id, &reader);
    if (s != Status::kOk) return ToHresult(s);
    return NewStreamObject(reader, e, mode, stream);
  }
  HRESULT STDMETHODCALLTYPE CreateStorage(LPCOLESTR, DWORD, DWORD, DWORD,
                                          IStorage** storage) override {
    if (storage) *storage = nullptr;
    return STG_E_ACCESSDENIED;
  }
  HRESULT STDMETHODCALLTYPE OpenStorage(LPCOLESTR name, IStorage*, DWORD mode, SNB, DWORD,
                                        IStorage** storage) override {
    if (!storage) return STG_E_INVALIDPOINTER;
    *storage = nullptr;
    if (!name) return STG_E_INVALIDPOINTER;
    HRESULT hr = CheckElementMode(mode, mode_);
    if (FAILED(hr)) return hr;
    EntryId id = kNoEntry;
    const Status s = file_->find(id_, name, &id);
    if (s != Status::kOk) return ToHresult(s);
    if (!file_->entry(id)->isStorage()) return STG_E_FILENOTFOUND;
    return NewStorageObject(file_, id, mode, std::u16string(), storage);
  }
  HRESULT STDMETHODCALLTYPE CopyTo(DWORD, const IID*, SNB, IStorage*) override {
    return STG_E_UNIMPLEMENTEDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE MoveElementTo(LPCOLESTR, IStorage*, LPCOLESTR, DWORD) override {
    return STG_E_ACCESSDENIED;
  }
  // Nothing is ever changed, so there is nothing to commit or revert.
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnumElements(DWORD, void*, DWORD, IEnumSTATSTG** e) override {
    if (!e) return STG_E_INVALIDPOINTER;
    *e = nullptr;
    std::vector<EntryId> ids;
    const Status s = file_->children(id_, &ids);
    if (s != Status::kOk) return ToHresult(s);
    try {
      *e = new EnumObject(file_, std::move(ids), 0);
    } catch (const std::exception&) {
      return STG_E_INSUFFICIENTMEMORY;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DestroyElement(LPCOLESTR) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE RenameElement(LPCOLESTR, LPCOLESTR) override {
    return STG_E_ACCESSDENIED;
  }
  HRESULT STDMETHODCALLTYPE SetElementTimes(LPCOLESTR, const FILETIME*, const FILETIME*,
                                            const FILETIME*) override {
    return STG_E_ACCESSDENIED;
  }
  HRESULT STDMETHODCALLTYPE SetClass(REFCLSID) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE SetStateBits(DWORD, DWORD) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override {
    const DirEntry& e = *file_->entry(id_);
    const std::u16string* name = id_ == kRootEntry ? &rootName_ : &e.name;
    return FillStat(e, STGTY_STORAGE, 0, mode_, flags, name, stat);
  }

 private:
  ~StorageObject() = default;
  std::atomic<ULONG> refs_{1};
  std::shared_ptr<const CompoundFile> file_;
  EntryId id_;
  DWORD mode_;
  std::u16string rootName_;
};

}  // namespace

HRESULT NewStorageObject(std::shared_ptr<const CompoundFile> file, EntryId id, DWORD mode,
                         std::u16string rootName, IStorage** out) {
  *out = nullptr;
  try {
    *out = new StorageObject(std::move(file), id, mode, std::move(rootName));
  } catch (const std::exception&) {
    return STG_E_INSUFFICIENTMEMORY;
  }
  return S_OK;
}

}  // namespace platform::cfb
#endif
