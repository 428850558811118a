#include "fake_filter.h"

#include <algorithm>

namespace fake {

Chunk TextChunk(const std::u16string& text, LCID locale, size_t piece) {
  Chunk c;
  c.locale = locale;
  for (size_t at = 0; at < text.size(); at += piece) {
    Piece p;
    p.text = text.substr(at, piece);
    p.hr = at + piece >= text.size() ? FILTER_S_LAST_TEXT : S_OK;
    c.pieces.push_back(p);
  }
  return c;
}

HRESULT Filter::QueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IFilter) {
    *ppv = static_cast<IFilter*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG Filter::Release() {
  ++releaseCalls;
  if (throwInRelease) throw std::runtime_error("fault in Release");
  return --refs;
}

SCODE Filter::GetChunk(STAT_CHUNK* stat) {
  ++getChunkCalls;
  if (spoilFpu) platform::X87LoadControlWord(0x0262);
  if (next_ >= chunks.size()) {
    inChunk_ = false;
    return endResult;
  }
  const Chunk& c = chunks[next_++];
  piece_ = 0;
  inChunk_ = c.hr == S_OK;
  stat->idChunk = static_cast<ULONG>(next_);
  stat->breakType = CHUNK_EOP;
  stat->flags = c.flags;
  stat->locale = c.locale;
  return c.hr;
}

SCODE Filter::GetText(ULONG* count, WCHAR* buffer) {
  ++getTextCalls;
  askedUnits.push_back(*count);
  if (spoilFpu) platform::X87LoadControlWord(0x0262);
  if (!inChunk_ || next_ == 0) return FILTER_E_NO_MORE_TEXT;
  const Chunk& c = chunks[next_ - 1];
  if (piece_ >= c.pieces.size()) return FILTER_E_NO_MORE_TEXT;
  const Piece& p = c.pieces[piece_++];
  const size_t n = std::min<size_t>(p.text.size(), *count);
  std::copy(p.text.begin(), p.text.begin() + n, buffer);
  if (p.countOverride >= 0) {
    *count = static_cast<ULONG>(p.countOverride);
  } else if (p.hr != E_FAIL) {
    *count = static_cast<ULONG>(n);
  }
  return p.hr;
}

}  // namespace fake
