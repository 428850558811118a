// The manager's side of a document's life: choosing the route that loads it,
// handing reads to its stream's pump and closing it.
#include <new>

#include "host/record.h"
#include "platform/memory.h"
#include "platform/text.h"
#include "server/fltdll.h"
#include "streams/file_stream.h"
#include "streams/memory_status.h"
#include "streams/storage_stream.h"
#include "streams/tmpfile_stream.h"

namespace {

// The extension the library uses wherever it needs one of its own.
constexpr char kOwnExtension[] = "DOC";

// Runs the route pattern shared by the three wrappers: the stream is stored in
// the caller's reference, given the size and opened; a failure destroys it
// after `beforeDestroy` had a look at it.
template <typename Stream, typename Prepare, typename BeforeDestroy>
FLTRESULT OpenRoute(CFltStream*& pStream, FILTEREDSTREAMINFO* pInfo, IClassFactory* factory,
                    DWORD cbSize, Stream* stream, Prepare prepare, BeforeDestroy beforeDestroy) {
  pStream = stream;
  stream->m_cbDocument = cbSize;
  prepare(stream);
  const FLTRESULT rc = stream->Open(pInfo, factory);
  if (rc == FLT_OK) return FLT_OK;
  beforeDestroy(stream);
  delete pStream;
  pStream = nullptr;
  return rc;
}

// The three modes, 0 and the platform's other aliases of the system's own
// pages (OEM, thread), and every page the platform can convert to. CP_MACCP
// is not among them: where it is served at all, its page is not the system's.
bool IsConvertibleCodePage(LONG mode) {
  switch (mode) {
    case FLT_CP_DEFAULT:
    case FLT_CP_UNICODE:
    case CP_ACP:
    case CP_OEMCP:
    case CP_THREAD_ACP: return true;
    default: return mode > 0 && mode <= 0xFFFF && IsValidCodePage(static_cast<UINT>(mode));
  }
}

}  // namespace

FLTRESULT CFltdll::CreateFilteredStreamEx(FILTEREDSTREAMINFO* pInfo) {
  if (!pInfo) return FLT_OK;
  DWORD cbSize = 0, dwSecond = 0;
  const LONG sizeResult = pInfo->pfnGetSize(pInfo, &cbSize, &dwSecond);
  if (sizeResult != 0) return static_cast<FLTRESULT>(sizeResult);

  CFltStream* stream = nullptr;
  if (HasFileName(pInfo) && OpenStreamAsFile(stream, pInfo, cbSize) == FLT_OK)
    return Publish(pInfo, stream);

  HGLOBAL hMem = nullptr;
  DWORD cbInBlock = 0;
  if (m_bPersistStorage &&
      static_cast<unsigned long long>(GetAvailablePhysicalMemory()) >
          2ull * static_cast<unsigned long long>(cbSize) &&
      OpenStreamAsStorage(stream, pInfo, hMem, cbInBlock, cbSize) == FLT_OK)
    return Publish(pInfo, stream);

  // A handed-over block is written only as far as the host filled it: the
  // copy is the document the host gave, not the size it claimed.
  const FLTRESULT rc = OpenStreamAsTmpFile(stream, pInfo, hMem, hMem ? cbInBlock : cbSize);
  if (rc != FLT_OK) {
    pInfo->pStream = nullptr;
    return rc;
  }
  return Publish(pInfo, stream);
}

FLTRESULT CFltdll::Publish(FILTEREDSTREAMINFO* pInfo, CFltStream*& pStream) {
  const FLTRESULT rc = SetLocale(pInfo, pStream);
  if (rc != FLT_OK) {
    delete pStream;
    pStream = nullptr;
  }
  pInfo->pStream = pStream;
  return rc;
}

FLTRESULT CFltdll::OpenStreamAsFile(CFltStream*& pStream, FILTEREDSTREAMINFO* pInfo, DWORD cbSize) {
  auto* stream = new (std::nothrow) CFltFileStream;  // no "()": that would zero 256 KiB of buffers
  if (!stream) {
    pStream = nullptr;
    return FLT_ERR_MEMORY;
  }
  return OpenRoute(
      pStream, pInfo, m_pFactory, cbSize, stream, [](CFltStream*) {}, [](CFltStream*) {});
}

FLTRESULT CFltdll::OpenStreamAsStorage(CFltStream*& pStream, FILTEREDSTREAMINFO* pInfo,
                                       HGLOBAL& hMem, DWORD& cbInBlock, DWORD cbSize) {
  auto* stream = new (std::nothrow) CFltStorageStream;
  if (!stream) {
    pStream = nullptr;
    return FLT_ERR_MEMORY;
  }
  return OpenRoute(
      pStream, pInfo, m_pFactory, cbSize, stream, [](CFltStream*) {},
      [&hMem, &cbInBlock](CFltStream* s) {
        // The block holds the document: the temporary-file route writes it
        // instead of reading the host's stream again.
        if (s->m_hMem) {
          hMem = s->m_hMem;
          cbInBlock = static_cast<CFltStorageStream*>(s)->m_cbDelivered;
          s->m_hMem = nullptr;
        }
      });
}

FLTRESULT CFltdll::OpenStreamAsTmpFile(CFltStream*& pStream, FILTEREDSTREAMINFO* pInfo,
                                       HGLOBAL hMem, DWORD cbSize) {
  if (m_szTmpDir[0] == '\0') {
    if (hMem) GlobalFree(hMem);
    return FLT_ERR_INVALID;
  }
  auto* stream = new (std::nothrow) CFltTmpFileStream(nullptr, kOwnExtension);
  if (!stream) {
    if (hMem) GlobalFree(hMem);
    pStream = nullptr;
    return FLT_ERR_MEMORY;
  }
  return OpenRoute(
      pStream, pInfo, m_pFactory, cbSize, stream,
      [this, hMem](CFltStream* s) {
        static_cast<CFltTmpFileStream*>(s)->SetTmpDir(m_szTmpDir);
        s->m_hMem = hMem;  // the stream owns the block from here on
      },
      [](CFltStream*) {});
}

FLTRESULT CFltdll::SetLocale(FILTEREDSTREAMINFO* pInfo, CFltStream*& pStream) {
  LONG mode = FLT_CP_DEFAULT;
  if (HasCodePageCallback(pInfo)) {
    mode = GetCodePage(pInfo);
    if (mode == FLT_CP_ANSI) mode = static_cast<LONG>(GetACP());
    // A page the platform cannot convert would open fine and then give no
    // text at all: refuse it while the host can still be told.
    if (!IsConvertibleCodePage(mode)) return FLT_ERR_INVALID;
  }
  pStream->m_nCodePage = mode;
  return FLT_OK;
}

FLTRESULT CFltdll::ReadFilteredStreamEx(FILTEREDSTREAMINFO* pInfo, void* pBuffer, DWORD cbBuffer,
                                        DWORD* pcbRead) {
  if (!pInfo || !pInfo->pStream) return FLT_OK;
  return static_cast<CFltStream*>(pInfo->pStream)->Read(pInfo, pBuffer, cbBuffer, pcbRead);
}

FLTRESULT CFltdll::CloseFilteredStreamEx(FILTEREDSTREAMINFO* pInfo) {
  if (!pInfo) return FLT_OK;
  if (pInfo->pStream) {
    delete static_cast<CFltStream*>(pInfo->pStream);
    pInfo->pStream = nullptr;
  }
  return FLT_OK;
}
