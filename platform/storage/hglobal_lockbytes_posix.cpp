// ILockBytes over a movable memory block. The block cannot grow (there is no
// reallocation here), so writes and SetSize stay within its allocated size.
#ifndef _WIN32
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/storage.h"

namespace {

class HGlobalLockBytes final : public ILockBytes {
 public:
  HGlobalLockBytes(HGLOBAL global, bool deleteOnRelease)
      : global_(global), deleteOnRelease_(deleteOnRelease), size_(GlobalSize(global)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ILockBytes) {
      *ppv = static_cast<ILockBytes*>(this);
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

  HRESULT STDMETHODCALLTYPE ReadAt(ULARGE_INTEGER offset, void* pv, ULONG cb,
                                   ULONG* pcbRead) override {
    if (pcbRead) *pcbRead = 0;
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    std::lock_guard<std::mutex> lock(mutex_);  // the block's lock count is not atomic
    if (offset.QuadPart >= size_ || cb == 0) return S_OK;
    const std::uint64_t avail = size_ - offset.QuadPart;
    const ULONG n = avail < cb ? ULONG(avail) : cb;
    const auto* base = static_cast<const std::uint8_t*>(GlobalLock(global_));
    if (!base) return STG_E_READFAULT;
    std::memcpy(pv, base + offset.QuadPart, n);
    GlobalUnlock(global_);
    if (pcbRead) *pcbRead = n;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE WriteAt(ULARGE_INTEGER offset, const void* pv, ULONG cb,
                                    ULONG* pcbWritten) override {
    if (pcbWritten) *pcbWritten = 0;
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uint64_t end = offset.QuadPart + cb;
    if (end < offset.QuadPart || end > GlobalSize(global_)) return STG_E_MEDIUMFULL;
    auto* base = static_cast<std::uint8_t*>(GlobalLock(global_));
    if (!base) return STG_E_WRITEFAULT;
    if (cb) std::memcpy(base + offset.QuadPart, pv, cb);
    GlobalUnlock(global_);
    if (end > size_) size_ = end;
    if (pcbWritten) *pcbWritten = cb;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Flush() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER cb) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cb.QuadPart > GlobalSize(global_)) return STG_E_MEDIUMFULL;
    size_ = cb.QuadPart;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override {
    if (!stat) return STG_E_INVALIDPOINTER;
    if (flags & ~DWORD(STATFLAG_NONAME | STATFLAG_NOOPEN)) return STG_E_INVALIDFLAG;
    std::memset(stat, 0, sizeof(*stat));
    stat->type = STGTY_LOCKBYTES;
    std::lock_guard<std::mutex> lock(mutex_);
    stat->cbSize.QuadPart = size_;
    return S_OK;
  }

 private:
  ~HGlobalLockBytes() {
    if (deleteOnRelease_) GlobalFree(global_);
  }
  std::atomic<ULONG> refs_{1};
  std::mutex mutex_;
  HGLOBAL global_;
  bool deleteOnRelease_;
  std::uint64_t size_;
};

}  // namespace

HRESULT CreateILockBytesOnHGlobal(HGLOBAL global, BOOL deleteOnRelease, ILockBytes** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  bool owned = deleteOnRelease != FALSE;
  if (!global) {
    global = GlobalAlloc(GMEM_MOVEABLE, 0);
    if (!global) return E_OUTOFMEMORY;
  } else if (!GlobalLock(global)) {
    return E_INVALIDARG;  // not a block of ours
  } else {
    GlobalUnlock(global);
  }
  auto* bytes = new (std::nothrow) HGlobalLockBytes(global, owned);
  if (!bytes) {
    if (owned) GlobalFree(global);
    return E_OUTOFMEMORY;
  }
  *out = bytes;
  return S_OK;
}
#endif
