// IStream over one stream of a CompoundFile: reads, seeks, stat and clones;
// writes are refused. The reader inside holds the file alive.
#ifndef _WIN32
#include <atomic>
#include <new>

#include "platform/storage/com_objects.h"

namespace platform::cfb {
namespace {

class StreamObject final : public IStream {
 public:
  StreamObject(StreamReader reader, const DirEntry& e, DWORD mode, std::uint64_t pos)
      : reader_(std::move(reader)), entry_(e), mode_(mode), pos_(pos) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ISequentialStream || riid == IID_IStream) {
      *ppv = static_cast<IStream*>(this);
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

  HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override {
    if (pcbRead) *pcbRead = 0;
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    std::size_t done = 0;
    const Status s = reader_.read(pos_, pv, cb, &done);
    if (s != Status::kOk) return ToHresult(s);
    pos_ += done;
    if (pcbRead) *pcbRead = ULONG(done);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG* written) override {
    if (written) *written = 0;
    return STG_E_ACCESSDENIED;
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                 ULARGE_INTEGER* newPosition) override {
    std::uint64_t base = 0;
    switch (origin) {
      case STREAM_SEEK_SET: base = 0; break;
      case STREAM_SEEK_CUR: base = pos_; break;
      case STREAM_SEEK_END: base = reader_.size(); break;
      default: return STG_E_INVALIDFUNCTION;
    }
    const std::int64_t delta = move.QuadPart;
    // Before the start is refused; past the end is allowed and reads nothing.
    if (delta < 0 && std::uint64_t(-(delta + 1)) + 1 > base) return STG_E_INVALIDFUNCTION;
    const std::uint64_t to = base + std::uint64_t(delta);
    if (delta > 0 && to < base) return STG_E_INVALIDFUNCTION;  // wrapped around
    pos_ = to;
    if (newPosition) newPosition->QuadPart = pos_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                                   ULARGE_INTEGER* pcbWritten) override {
    if (pcbRead) pcbRead->QuadPart = 0;
    if (pcbWritten) pcbWritten->QuadPart = 0;
    if (!target) return STG_E_INVALIDPOINTER;
    std::uint8_t buf[65536];
    std::uint64_t left = cb.QuadPart, read = 0, written = 0;
    HRESULT hr = S_OK;
    while (left > 0) {
      ULONG got = 0;
      hr = Read(buf, ULONG(left < sizeof(buf) ? left : sizeof(buf)), &got);
      if (FAILED(hr) || got == 0) break;
      read += got;
      left -= got;
      ULONG put = 0;
      hr = target->Write(buf, got, &put);
      written += put;
      if (FAILED(hr)) break;
    }
    if (pcbRead) pcbRead->QuadPart = read;
    if (pcbWritten) pcbWritten->QuadPart = written;
    return FAILED(hr) ? hr : S_OK;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override {
    return FillStat(entry_, STGTY_STREAM, reader_.size(), mode_, flags, &entry_.name, stat);
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override {
    if (!clone) return STG_E_INVALIDPOINTER;
    *clone = nullptr;
    try {
      *clone = new StreamObject(reader_, entry_, mode_, pos_);
    } catch (const std::exception&) {
      return STG_E_INSUFFICIENTMEMORY;
    }
    return S_OK;
  }

 private:
  ~StreamObject() = default;
  std::atomic<ULONG> refs_{1};
  StreamReader reader_;
  DirEntry entry_;  // name, times and class for Stat
  DWORD mode_;
  std::uint64_t pos_;
};

}  // namespace

HRESULT NewStreamObject(const StreamReader& reader, const DirEntry& e, DWORD mode, IStream** out) {
  *out = nullptr;
  try {
    *out = new StreamObject(reader, e, mode, 0);
  } catch (const std::exception&) {
    return STG_E_INSUFFICIENTMEMORY;
  }
  return S_OK;
}

}  // namespace platform::cfb
#endif
