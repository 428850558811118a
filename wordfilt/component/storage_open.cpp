#include "wordfilt/component/storage_open.h"

#include <cstdio>
#include <new>
#include <string>

#include "platform/com_ref.h"
#include "platform/filter.h"
#include "platform/path.h"
#include "platform/storage.h"

namespace wordfilt {

HRESULT OpenStorageFile(LPCOLESTR path, IStorage** storage) noexcept {
  if (!path || !storage) return E_INVALIDARG;
  *storage = nullptr;
  const WCHAR* wide = reinterpret_cast<const WCHAR*>(path);
  HRESULT hr =
      StgOpenStorage(wide, nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, storage);
  if (hr == STG_E_SHAREVIOLATION || hr == STG_E_LOCKVIOLATION) {
    // Another program has the file open for writing: read a snapshot.
    hr = StgOpenStorage(wide, nullptr, STGM_READ | STGM_SHARE_DENY_NONE | STGM_TRANSACTED, nullptr,
                        0, storage);
  }
  if (SUCCEEDED(hr)) return S_OK;
  *storage = nullptr;
  switch (hr) {
    case STG_E_ACCESSDENIED:
    case E_ACCESSDENIED:
    case STG_E_SHAREVIOLATION:
    case STG_E_LOCKVIOLATION: return FILTER_E_ACCESS;
    case STG_E_FILENOTFOUND:
    case STG_E_PATHNOTFOUND:
    case STG_E_INSUFFICIENTMEMORY:
    case E_OUTOFMEMORY:
    case STG_E_TOOMANYOPENFILES:
    case STG_E_INVALIDNAME:
    case STG_E_INVALIDPOINTER: return hr;
    default:
      // Not a compound file, an old format, or damaged structures.
      return FILTER_E_UNKNOWNFORMAT;
  }
}

bool ReadStorageStream(IStorage* storage, const char16_t* name, std::size_t maxBytes,
                       ByteBuffer* out) noexcept {
  out->clear();
  platform::ComRef<IStream> stream;
  if (FAILED(storage->OpenStream(reinterpret_cast<const WCHAR*>(name), nullptr,
                                 STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.put())) ||
      !stream) {
    return false;
  }
  bool ok = false;
  STATSTG stat{};
  if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) && stat.cbSize.QuadPart <= maxBytes) {
    try {
      out->resize(static_cast<std::size_t>(stat.cbSize.QuadPart));
      std::size_t done = 0;
      ok = true;
      while (done < out->size()) {
        ULONG got = 0;
        const ULONG ask = static_cast<ULONG>(std::min<std::size_t>(out->size() - done, 1u << 30));
        if (FAILED(stream->Read(out->data() + done, ask, &got)) || got == 0) break;
        done += got;
      }
      // A stream shorter than its recorded size is used as far as it goes.
      out->resize(done);
    } catch (...) {
      out->clear();
      ok = false;
    }
  }
  return ok;
}

bool ReadWholeFile(LPCOLESTR path, std::size_t maxBytes, std::vector<std::uint8_t>* out) noexcept {
  out->clear();
#ifdef _WIN32
  std::FILE* f = _wfopen(reinterpret_cast<const wchar_t*>(path), L"rb");
#else
  std::FILE* f = std::fopen(
      platform::NarrowPath(std::u16string_view(reinterpret_cast<const char16_t*>(path))).c_str(),
      "rb");
#endif
  if (!f) return false;
  bool ok = true;
  try {
    unsigned char buffer[65536];
    for (;;) {
      const std::size_t n = std::fread(buffer, 1, sizeof(buffer), f);
      if (n == 0) break;
      if (out->size() + n > maxBytes) {
        ok = false;
        break;
      }
      out->insert(out->end(), buffer, buffer + n);
    }
    ok = ok && !std::ferror(f);
  } catch (...) {
    ok = false;
  }
  std::fclose(f);
  if (!ok) out->clear();
  return ok;
}

}  // namespace wordfilt
