#include "wordfilt/component/word_filter.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "wordfilt/component/ids.h"
#include "wordfilt/component/module_state.h"
#include "wordfilt/component/storage_open.h"
#include "wordfilt/component/storage_text.h"
#include "wordfilt/doc/compound_streams.h"

namespace wordfilt {

WordFilter::WordFilter() { ++g_liveObjects; }
WordFilter::~WordFilter() { --g_liveObjects; }

HRESULT WordFilter::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IFilter) {
    *ppv = static_cast<IFilter*>(this);
  } else if (riid == IID_IPersistFile || riid == IID_IPersist) {
    *ppv = static_cast<IPersistFile*>(this);
  } else if (riid == IID_IPersistStorage) {
    *ppv = static_cast<IPersistStorage*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG WordFilter::AddRef() { return ++refs_; }

ULONG WordFilter::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT WordFilter::LoadStorage(IStorage* storage) {
  doc_ = DocumentText();
  next_ = served_ = 0;
  inChunk_ = false;
  state_ = State::kEmpty;
  const HRESULT hr = LoadDocumentText(storage, &doc_);
  if (FAILED(hr)) {
    doc_ = DocumentText();
    return hr;
  }
  state_ = State::kLoaded;
  return S_OK;
}

HRESULT WordFilter::Load(LPCOLESTR pszFileName, DWORD) {
  if (!pszFileName || !*pszFileName) return E_INVALIDARG;
  try {
    IStorage* storage = nullptr;
    const HRESULT hr = OpenStorageFile(pszFileName, &storage);
    if (hr == FILTER_E_UNKNOWNFORMAT) return LoadPlainFile(pszFileName);
    if (FAILED(hr)) return hr;
    const HRESULT loaded = LoadStorage(storage);
    storage->Release();
    return loaded;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT WordFilter::Load(IStorage* pStg) {
  if (!pStg) return E_INVALIDARG;
  try {
    return LoadStorage(pStg);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT WordFilter::LoadPlainFile(LPCOLESTR path) {
  // Word 2 documents are no compound files: only a path reaches them.
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, kMaxPlainFile, &bytes)) return FILTER_E_UNKNOWNFORMAT;
  doc_ = DocumentText();
  next_ = served_ = 0;
  inChunk_ = false;
  state_ = State::kEmpty;
  switch (ExtractFromBytes(bytes.data(), bytes.size(), doc_)) {
    case LoadStatus::kOk: state_ = State::kLoaded; return S_OK;
    case LoadStatus::kEncrypted: doc_ = DocumentText(); return FILTER_E_PASSWORD;
    default: doc_ = DocumentText(); return FILTER_E_UNKNOWNFORMAT;
  }
}

SCODE WordFilter::Init(ULONG, ULONG, const FULLPROPSPEC*, ULONG* pFlags) {
  if (state_ == State::kEmpty) return E_FAIL;
  if (pFlags) *pFlags = 0;
  next_ = served_ = 0;
  inChunk_ = false;
  state_ = State::kInitialised;
  return S_OK;
}

SCODE WordFilter::GetChunk(STAT_CHUNK* pStat) {
  if (state_ != State::kInitialised) return E_FAIL;
  if (!pStat) return E_INVALIDARG;
  inChunk_ = false;
  if (next_ >= doc_.chunks.size()) return FILTER_E_END_OF_CHUNKS;
  const TextChunk& chunk = doc_.chunks[next_++];
  std::memset(pStat, 0, sizeof(*pStat));
  pStat->idChunk = static_cast<ULONG>(next_);
  pStat->breakType = static_cast<CHUNK_BREAKTYPE>(chunk.breakType);
  pStat->flags = CHUNK_TEXT;
  pStat->locale = chunk.locale;
  pStat->idChunkSource = pStat->idChunk;
  served_ = 0;
  inChunk_ = true;
  return S_OK;
}

SCODE WordFilter::GetText(ULONG* pcwcBuffer, WCHAR* awcBuffer) {
  if (state_ != State::kInitialised) return E_FAIL;
  if (!pcwcBuffer || !awcBuffer) return E_INVALIDARG;
  if (!inChunk_) {
    *pcwcBuffer = 0;
    return FILTER_E_NO_MORE_TEXT;
  }
  const std::u16string_view text = doc_.ChunkText(next_ - 1);
  const size_t left = text.size() - served_;
  if (left == 0) {
    *pcwcBuffer = 0;
    inChunk_ = false;
    return FILTER_E_NO_MORE_TEXT;
  }
  const size_t n = std::min<size_t>(left, *pcwcBuffer);
  std::copy(text.begin() + static_cast<std::ptrdiff_t>(served_),
            text.begin() + static_cast<std::ptrdiff_t>(served_ + n), awcBuffer);
  served_ += n;
  *pcwcBuffer = static_cast<ULONG>(n);
  if (served_ == text.size()) {
    inChunk_ = false;
    return FILTER_S_LAST_TEXT;
  }
  return S_OK;
}

SCODE WordFilter::GetValue(PROPVARIANT** ppPropValue) {
  if (ppPropValue) *ppPropValue = nullptr;
  return state_ == State::kInitialised ? FILTER_E_NO_MORE_VALUES : E_FAIL;
}

SCODE WordFilter::BindRegion(FILTERREGION, REFIID, void** ppunk) {
  if (ppunk) *ppunk = nullptr;
  return E_NOTIMPL;
}

HRESULT WordFilter::GetClassID(CLSID* pClassID) {
  if (!pClassID) return E_POINTER;
  *pClassID = kFilterClsid;
  return S_OK;
}

HRESULT WordFilter::IsDirty() { return S_FALSE; }
HRESULT WordFilter::Save(LPCOLESTR, BOOL) { return E_NOTIMPL; }
HRESULT WordFilter::SaveCompleted(LPCOLESTR) { return E_NOTIMPL; }
HRESULT WordFilter::GetCurFile(LPOLESTR* ppszFileName) {
  if (ppszFileName) *ppszFileName = nullptr;
  return E_NOTIMPL;
}
HRESULT WordFilter::InitNew(IStorage*) { return E_NOTIMPL; }
HRESULT WordFilter::Save(IStorage*, BOOL) { return E_NOTIMPL; }
HRESULT WordFilter::SaveCompleted(IStorage*) { return E_NOTIMPL; }
HRESULT WordFilter::HandsOffStorage() { return S_OK; }

}  // namespace wordfilt
