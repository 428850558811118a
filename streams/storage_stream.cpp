#include "streams/storage_stream.h"

#include <cstdint>

#include "host/record.h"
#include "platform/com_ref.h"
#include "platform/storage.h"
#include "streams/route_support.h"

namespace {

// Zero-filled by the allocator: a large block comes as fresh pages that cost
// nothing until written, so a host that claims far more than it delivers pays
// only for what it delivers. Nothing here touches bytes past the document.
constexpr UINT kBlockFlags = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr DWORD kStorageMode = STGM_READ | STGM_SHARE_EXCLUSIVE;

}  // namespace

FLTRESULT MapStorageError(HRESULT hr) {
  switch (static_cast<std::uint32_t>(hr)) {
    case 0x00000000u: return FLT_OK;
    case 0x80030001u:  // STG_E_INVALIDFUNCTION
    case 0x80030009u:  // STG_E_INVALIDPOINTER
    case 0x800300FCu:  // STG_E_INVALIDNAME
    case 0x800300FFu:  // STG_E_INVALIDFLAG
      return FLT_ERR_INVALID;
    case 0x80030008u:  // STG_E_INSUFFICIENTMEMORY
      return FLT_ERR_MEMORY;
    case 0x80030050u:  // STG_E_FILEALREADYEXISTS: the data is not a compound file
    case 0x80030104u:  // STG_E_OLDFORMAT
    case 0x80030105u:  // STG_E_OLDDLL
      return FLT_ERR_FORMAT;
    default: return FLT_ERR_FAILED;
  }
}

FLTRESULT OpenStorageOnMemory(HGLOBAL hMem, BOOL bDeleteOnRelease, DWORD grfMode,
                              IStorage** ppStorage) {
  platform::ComRef<ILockBytes> bytes;
  if (CreateILockBytesOnHGlobal(hMem, bDeleteOnRelease, bytes.put()) != S_OK || !bytes.get())
    return FLT_ERR_FAILED;
  // The storage keeps its own reference to the lock bytes.
  const HRESULT hr =
      StgOpenStorageOnILockBytes(bytes.get(), nullptr, grfMode, nullptr, 0, ppStorage);
  return hr == S_OK ? FLT_OK : MapStorageError(hr);
}

FLTRESULT CFltStorageStream::Open(FILTEREDSTREAMINFO* pInfo, IClassFactory* pFactory) {
  const DWORD size = m_cbDocument;
  if (size == 0) return FLT_ERR_INVALID;
  // size + 2 would wrap: no block of that size can be had.
  if (size > kMaxDocument) return FLT_ERR_MEMORY;
  if (!pInfo || !pInfo->pfnRead) return FLT_ERR_INVALID;

  m_hMem = GlobalAlloc(kBlockFlags, SIZE_T(size) + 2);
  if (!m_hMem) return FLT_ERR_MEMORY;
  auto* block = static_cast<unsigned char*>(GlobalLock(m_hMem));
  if (!block) return FLT_ERR_MEMORY;

  // The bytes go straight to their final place, in pieces of at most 64 KiB.
  LONG hostResult = 0;
  bool overrun = false;
  DWORD total = 0;
  DWORD piece = kReadPiece;
  DWORD count = 0;
  for (;;) {
    if (piece > size - total) piece = size - total;
    hostResult = pInfo->pfnRead(pInfo, block + total, piece, &count);
    if (hostResult != 0) break;
    // A host that claims more than it was asked for would move the next read
    // past the end of the block.
    if (count > piece) {
      overrun = true;
      break;
    }
    total += count;
    if (total == size || count == 0) break;
  }
  // Whatever the host did not deliver, and the two bytes after the document,
  // are still zero from the allocation.
  GlobalUnlock(m_hMem);
  m_cbDelivered = total;

  if (hostResult != 0 || overrun) {
    // Nothing trustworthy in the block: the next route reads the host itself.
    GlobalFree(m_hMem);
    m_hMem = nullptr;
    return overrun ? FLT_ERR_INVALID : static_cast<FLTRESULT>(hostResult);
  }

  platform::ComRef<IStorage> storage;
  const FLTRESULT opened = OpenStorageOnMemory(m_hMem, FALSE, kStorageMode, storage.put());
  if (opened != FLT_OK) return opened;
  if (!storage.get()) return FLT_ERR_FAILED;

  if (!pFactory) return FLT_ERR_FAILED;
  if (FAILED(
          pFactory->CreateInstance(nullptr, IID_IFilter, reinterpret_cast<void**>(&m_pFilter))) ||
      !m_pFilter)
    return FLT_ERR_FAILED;

  platform::ComRef<IPersistStorage> persist;
  if (FAILED(m_pFilter->QueryInterface(IID_IPersistStorage, persist.put_void())) || !persist.get())
    return FLT_ERR_FAILED;

  HRESULT hr = persist->Load(storage.get());
  if (FAILED(hr)) {
    storage.reset();
    return MapFilterError(hr);
  }

  ULONG flags = 0;
  hr = m_pFilter->Init(0, 0, nullptr, &flags);
  storage.reset();
  persist.reset();
  // Errors of Init are not told apart on this route.
  if (FAILED(hr)) return FLT_ERR_FAILED;
  return static_cast<FLTRESULT>(hr);
}
