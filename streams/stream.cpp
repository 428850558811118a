#include "streams/stream.h"

#include <cstdlib>
#include <cstring>

#include "platform/guard.h"
#include "platform/text.h"

namespace {

// A filter that keeps failing must not hang the host: after this many
// consecutive chunk requests that bring no text chunk, the text ends.
constexpr int kMaxChunkMisses = 1024;
// Consecutive GetText calls that bring no text before the chunk is given up.
constexpr int kMaxEmptyPieces = 64;
// UTF-8 needs at most three bytes a unit (four for a surrogate pair).
constexpr ULONG kUtf8StepUnits = CFltStream::kOutBytes / 3;

bool IsHighSurrogate(WCHAR c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

CFltStream::CFltStream()
    : m_pFilter(nullptr),
      m_cbPending(0),
      m_hMem(nullptr),
      m_cbDocument(0),
      m_nCodePage(FLT_CP_DEFAULT),
      m_bInChunk(FALSE),
      m_nChunkCodePage(0),
      m_cwcText(0),
      m_iwcText(0) {}

CFltStream::~CFltStream() {
  if (m_pFilter) {
    // The block may back a storage the filter still holds: release first.
    platform::GuardedRelease(m_pFilter);
    m_pFilter = nullptr;
  }
  if (m_hMem) {
    GlobalFree(m_hMem);
    m_hMem = nullptr;
  }
}

FLTRESULT CFltStream::Open(FILTEREDSTREAMINFO*, IClassFactory*) { return FLT_OK; }

void CFltStream::CopyOut(unsigned char** ppCursor, DWORD* pcbRemaining, DWORD* pcbDelivered,
                         bool* pbFull) {
  if (m_cbPending >= *pcbRemaining) {
    const DWORD n = *pcbRemaining;
    std::memcpy(*ppCursor, m_chOut, n);
    *pcbDelivered += n;
    m_cbPending -= n;
    if (m_cbPending) std::memmove(m_chOut, m_chOut + n, m_cbPending);
    *pbFull = true;
    return;
  }
  std::memcpy(*ppCursor, m_chOut, m_cbPending);
  *pcbDelivered += m_cbPending;
  *ppCursor += m_cbPending;
  *pcbRemaining -= m_cbPending;
  m_cbPending = 0;
  *pbFull = false;
}

DWORD CFltStream::ConvertStep(LONG codePage) {
  const ULONG left = m_cwcText - m_iwcText;
  const WCHAR* src = m_wchText + m_iwcText;
  if (codePage == FLT_CP_UNICODE) {
    // 65,534 units are 131,068 bytes: a whole piece always fits.
    std::memcpy(m_chOut, src, left * sizeof(WCHAR));
    m_iwcText = m_cwcText;
    return left * sizeof(WCHAR);
  }
  ULONG step = (codePage == CP_UTF8 && left > kUtf8StepUnits) ? kUtf8StepUnits : left;
  for (;;) {
    // Never end a step between the two halves of a surrogate pair.
    if (step < left && step > 1 && IsHighSurrogate(src[step - 1])) --step;
    const int n = WideCharToMultiByte(static_cast<UINT>(codePage), 0, src, static_cast<int>(step),
                                      reinterpret_cast<char*>(m_chOut), static_cast<int>(kOutBytes),
                                      nullptr, nullptr);
    if (n > 0) {
      m_iwcText += step;
      return static_cast<DWORD>(n);
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || step <= 1) {
      // The code page cannot take this text: the piece yields nothing.
      m_iwcText = m_cwcText;
      return 0;
    }
    step /= 2;
  }
}

FLTRESULT CFltStream::Read(FILTEREDSTREAMINFO* pInfo, void* pBuffer, DWORD cbBuffer,
                           DWORD* pcbRead) {
  if (!pInfo || !m_pFilter) return FLT_ERR_INVALID;
  *pcbRead = 0;
  if (cbBuffer == 0) return FLT_OK;

  unsigned char* cursor = static_cast<unsigned char*>(pBuffer);
  DWORD remaining = cbBuffer;
  bool full = false;
  if (m_cbPending > 0) {
    CopyOut(&cursor, &remaining, pcbRead, &full);
    if (full) return FLT_OK;
  }

  const bool unicode = m_nCodePage == FLT_CP_UNICODE;
  const bool perChunk = m_nCodePage == FLT_CP_DEFAULT;
  LONG codePage = 1252;
  if (unicode) {
    codePage = FLT_CP_UNICODE;
  } else if (m_nCodePage == FLT_CP_ANSI) {
    codePage = static_cast<LONG>(GetACP());
  } else if (!perChunk) {
    codePage = m_nCodePage;
  }

  int chunkMisses = 0;
  for (;;) {
    // Chunk step.
    if (m_bInChunk) {
      if (perChunk) codePage = m_nChunkCodePage;
    } else {
      STAT_CHUNK stat;
      std::memset(&stat, 0, sizeof(stat));
      const HRESULT hr = m_pFilter->GetChunk(&stat);
      ResetFloatingPoint();
      if (hr == FILTER_E_END_OF_CHUNKS) return FLT_OK;
      if (hr != S_OK || stat.flags != CHUNK_TEXT) {
        if (++chunkMisses >= kMaxChunkMisses) return FLT_OK;
        continue;
      }
      chunkMisses = 0;
      m_cwcText = m_iwcText = 0;
      if (perChunk) {
        char answer[40] = {};
        codePage = 1252;
        if (GetLocaleInfoA(stat.locale, LOCALE_IDEFAULTANSICODEPAGE, answer, sizeof(answer)) > 0) {
          answer[sizeof(answer) - 1] = '\0';
          codePage = static_cast<LONG>(std::atol(answer));
        }
      }
    }

    // Text step.
    int emptyPieces = 0;
    bool chunkDone = false;
    while (!chunkDone) {
      if (m_iwcText >= m_cwcText) {
        ULONG count = kPieceUnits;
        const HRESULT hr = m_pFilter->GetText(&count, m_wchText);
        ResetFloatingPoint();
        m_cwcText = m_iwcText = 0;
        if (hr == FILTER_E_NO_MORE_TEXT || FAILED(hr) || count > kPieceUnits) {
          // A failing filter ends the chunk; what it left in the buffer is not text.
          chunkDone = true;
          break;
        }
        if (hr == FILTER_S_LAST_TEXT) chunkDone = true;
        if (count == 0) {
          if (!chunkDone && ++emptyPieces >= kMaxEmptyPieces) chunkDone = true;
          continue;
        }
        emptyPieces = 0;
        m_cwcText = count;
      }
      // Deliver the piece, step by step.
      while (m_iwcText < m_cwcText) {
        m_cbPending = ConvertStep(codePage);
        if (m_cbPending == 0) continue;
        CopyOut(&cursor, &remaining, pcbRead, &full);
        if (full) {
          m_bInChunk = TRUE;
          m_nChunkCodePage = codePage;
          return FLT_OK;
        }
      }
    }
    m_bInChunk = FALSE;
    m_cwcText = m_iwcText = 0;
  }
}
