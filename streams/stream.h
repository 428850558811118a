// One open document: the filter instance that loaded it and the text pump that
// turns the filter's chunks into bytes in the host's code page.
#pragma once

#include "host/stream_info.h"
#include "platform/filter.h"
#include "platform/memory.h"

class CFltStream {
 public:
  CFltStream();
  virtual ~CFltStream();
  // Binds a filter instance to the document; the base binds nothing.
  virtual FLTRESULT Open(FILTEREDSTREAMINFO* pInfo, IClassFactory* pFactory);

  // The text pump: fills pBuffer with up to cbBuffer bytes of text. A call that
  // delivers fewer bytes than asked has reached the end of the text.
  FLTRESULT Read(FILTEREDSTREAMINFO* pInfo, void* pBuffer, DWORD cbBuffer, DWORD* pcbRead);

  CFltStream(const CFltStream&) = delete;
  CFltStream& operator=(const CFltStream&) = delete;

  static constexpr ULONG kTextUnits = 65536;
  static constexpr DWORD kOutBytes = 131072;
  // Units asked of GetText at a time.
  static constexpr ULONG kPieceUnits = 65534;

 protected:
  void CopyOut(unsigned char** ppCursor, DWORD* pcbRemaining, DWORD* pcbDelivered, bool* pbFull);

 private:
  // Converts the units of the current piece from m_iwcText on into m_chOut, in
  // steps that fit the buffer; returns the bytes produced (0: nothing to deliver).
  DWORD ConvertStep(LONG codePage);

 public:
  IFilter* m_pFilter;
  WCHAR m_wchText[kTextUnits];
  unsigned char m_chOut[kOutBytes];
  DWORD m_cbPending;
  HGLOBAL m_hMem;
  DWORD m_cbDocument;
  LONG m_nCodePage;
  BOOL m_bInChunk;
  LONG m_nChunkCodePage;
  // The current piece of text in m_wchText: m_cwcText units, of which those
  // before m_iwcText have been converted. A piece is converted in several steps
  // when its bytes would not fit m_chOut at once (code pages of more than two
  // bytes a unit).
  ULONG m_cwcText;
  ULONG m_iwcText;
};

// Puts the calling thread's x87 unit into a fixed state after a filter call:
// all exceptions masked, round to nearest, 64-bit precision, no pending flags.
void ResetFloatingPoint();
