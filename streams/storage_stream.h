// The in-memory storage route: the document is read from the host into one
// movable block, opened there as a compound file and loaded through
// IPersistStorage. No file is written.
#pragma once

#include "streams/stream.h"

class CFltStorageStream : public CFltStream {
 public:
  // Bytes asked of the host in one call at most.
  static constexpr DWORD kReadPiece = 65536;
  // The block is the document plus two zero bytes, and its size is 32 bits.
  static constexpr DWORD kMaxDocument = 0xFFFFFFFDu;

  CFltStorageStream() = default;
  ~CFltStorageStream() override = default;
  // Reads m_cbDocument bytes into m_hMem and loads them into a new filter
  // instance. When the storage or the filter refuses the document after it was
  // read, the block stays in m_hMem for the next route.
  FLTRESULT Open(FILTEREDSTREAMINFO* pInfo, IClassFactory* pFactory) override;

  // Bytes the host delivered into m_hMem, at most m_cbDocument: what the
  // next route writes when it takes the block over.
  DWORD m_cbDelivered = 0;
};

// Opens the compound file held in a movable block as a storage; the block stays
// allocated when the storage goes (deleteOnRelease false). FLT_OK, 5 when the
// lock-bytes object cannot be made, or the translation of the storage's error.
FLTRESULT OpenStorageOnMemory(HGLOBAL hMem, BOOL bDeleteOnRelease, DWORD grfMode,
                              IStorage** ppStorage);

// Translates a structured-storage result into a result code.
FLTRESULT MapStorageError(HRESULT hr);
