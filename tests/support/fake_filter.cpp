#include "tests/support/fake_filter.h"

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
  } else if (riid == IID_IPersistFile && offerPersistFile) {
    events.push_back("QI:file");
    *ppv = static_cast<IPersistFile*>(this);
  } else if (riid == IID_IPersistStorage && offerPersistStorage) {
    events.push_back("QI:storage");
    *ppv = static_cast<IPersistStorage*>(this);
  } else {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG Filter::Release() {
  ++releaseCalls;
  events.push_back("Release");
  if (throwInRelease) throw std::runtime_error("fault in Release");
  if (--refs == 0) {
    if (onLastRelease) onLastRelease(*this);
    if (heldStorage) {
      IStorage* held = heldStorage;
      heldStorage = nullptr;
      held->Release();
    }
  }
  return refs;
}

Filter::~Filter() {
  if (heldStorage) heldStorage->Release();
}

SCODE Filter::Init(ULONG, ULONG, const FULLPROPSPEC*, ULONG* flags) {
  ++initCalls;
  events.push_back("Init");
  if (flags) *flags = 0;
  return initResult;
}

HRESULT Filter::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = CLSID{};
  return S_OK;
}

HRESULT Filter::Load(LPCOLESTR fileName, DWORD mode) {
  ++loadFileCalls;
  events.push_back("Load");
  loadedPath.clear();
  for (const OLECHAR* p = fileName; p && *p; ++p) loadedPath.push_back(static_cast<char16_t>(*p));
  loadMode = mode;
  if (onLoadFile) return onLoadFile(*this, loadedPath);
  return loadResult;
}

HRESULT Filter::Load(IStorage* storage) {
  ++loadStorageCalls;
  events.push_back("Load");
  if (holdStorage && storage && !heldStorage) {
    storage->AddRef();
    heldStorage = storage;
  }
  if (onLoadStorage) return onLoadStorage(*this, storage);
  return loadResult;
}

HRESULT Factory::QueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown || riid == IID_IClassFactory) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

HRESULT Factory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  ++createCalls;
  if (!ppv) return E_POINTER;
  if (FAILED(createResult)) {
    *ppv = failedInstance;
    return createResult;
  }
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  made.push_back(std::make_unique<Filter>());
  Filter& f = *made.back();
  if (setup) setup(f);
  const HRESULT hr = f.QueryInterface(riid, ppv);
  if (SUCCEEDED(hr)) --f.refs;  // the instance starts with the caller's one reference
  return hr;
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
