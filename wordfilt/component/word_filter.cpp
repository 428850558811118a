#include "wordfilt/component/word_filter.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/storage.h"
#include "wordfilt/component/ids.h"
#include "wordfilt/component/isolated_load.h"
#include "wordfilt/component/module_state.h"
#include "wordfilt/component/storage_open.h"
#include "wordfilt/component/storage_text.h"
#include "wordfilt/doc/compound_streams.h"
#include "wordfilt/formats/any_format.h"

namespace wordfilt {
namespace {

// Value chunks of a document without text (none has a language of its own).
constexpr LCID kDefaultLocale = 0x0409;

}  // namespace

WordFilter::WordFilter() { ++g_liveObjects; }
WordFilter::~WordFilter() {
  ReleaseStorage();
  --g_liveObjects;
}

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

void WordFilter::ReleaseStorage() { storage_.reset(); }

void WordFilter::ReadProperties() {
  if (propertiesRead_) return;
  propertiesRead_ = true;
  if (storage_) {
    LoadDocumentProperties(storage_.get(), &doc_.properties);
    ReleaseStorage();
  } else if (!path_.empty()) {
    platform::ComRef<IStorage> storage;
    if (SUCCEEDED(OpenStorageFile(reinterpret_cast<LPCOLESTR>(path_.c_str()), storage.put()))) {
      LoadDocumentProperties(storage.get(), &doc_.properties);
    }
  }
}

void WordFilter::Reset() {
  ReleaseStorage();
  path_.clear();
  propertiesRead_ = false;
  doc_ = DocumentText();
  values_.clear();
  next_ = served_ = 0;
  inChunk_ = inValue_ = valueServed_ = false;
  state_ = State::kEmpty;
}

HRESULT WordFilter::LoadStorage(IStorage* storage) {
  Reset();
  const HRESULT hr = LoadDocumentText(storage, &doc_);
  if (FAILED(hr)) {
    doc_ = DocumentText();
    return hr;
  }
  state_ = State::kLoaded;
  storage_ = platform::ComRef<IStorage>::Share(storage);
  return S_OK;
}

HRESULT WordFilter::LoadIsolated(HRESULT hr) {
  // The worker has parsed everything, the properties included.
  if (SUCCEEDED(hr)) {
    state_ = State::kLoaded;
    propertiesRead_ = true;
  }
  return hr;
}

HRESULT WordFilter::Load(LPCOLESTR pszFileName, DWORD) {
  if (!pszFileName || !*pszFileName) return E_INVALIDARG;
  if (isolation::WorkerPool* workers = ModuleWorkers()) {
    Reset();
    return LoadIsolated(IsolatedLoadFile(*workers, pszFileName, &doc_));
  }
  try {
    platform::ComRef<IStorage> storage;
    const HRESULT hr = OpenStorageFile(pszFileName, storage.put());
    if (hr == FILTER_E_UNKNOWNFORMAT) return LoadPlainFile(pszFileName);
    if (FAILED(hr)) return hr;
    const HRESULT loaded = LoadStorage(storage.get());
    storage.reset();
    // Not held: the file stays free for others while the host reads the text.
    ReleaseStorage();
    if (SUCCEEDED(loaded)) path_ = reinterpret_cast<const char16_t*>(pszFileName);
    return loaded;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT WordFilter::Load(IStorage* pStg) {
  if (!pStg) return E_INVALIDARG;
  if (isolation::WorkerPool* workers = ModuleWorkers()) {
    Reset();
    return LoadIsolated(IsolatedLoadStorage(*workers, pStg, &doc_));
  }
  try {
    return LoadStorage(pStg);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT WordFilter::LoadPlainFile(LPCOLESTR path) {
  // Word 2 documents and the other formats (RTF, XML, web pages, text) are no
  // compound files: only a path reaches them.
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, kMaxPlainFile, &bytes)) return FILTER_E_UNKNOWNFORMAT;
  Reset();
  switch (ExtractAnyFormat(bytes.data(), bytes.size(), doc_)) {
    case LoadStatus::kOk: state_ = State::kLoaded; return S_OK;
    case LoadStatus::kEncrypted: doc_ = DocumentText(); return FILTER_E_PASSWORD;
    default: doc_ = DocumentText(); return FILTER_E_UNKNOWNFORMAT;
  }
}

void WordFilter::SelectValues(ULONG grfFlags, ULONG cAttributes, const FULLPROPSPEC* aAttributes) {
  values_.clear();
  const auto& props = doc_.properties;
  for (size_t i = 0; i < props.size(); ++i) {
    bool wanted = (grfFlags & IFILTER_INIT_APPLY_INDEX_ATTRIBUTES) != 0;
    for (ULONG a = 0; a < cAttributes && !wanted; ++a) {
      const FULLPROPSPEC& asked = aAttributes[a];
      wanted = asked.guidPropSet == kSummaryInformationFormat &&
               asked.psProperty.ulKind == PRSPEC_PROPID && asked.psProperty.propid == props[i].id;
    }
    if (wanted) values_.push_back(i);
  }
}

// Text always comes out, whatever attributes are asked for: a host that lists
// only properties still gets the contents rather than nothing. Properties come
// out as value chunks after the text when asked for by the index-attributes
// flag or by name (summary information set, by property id).
SCODE WordFilter::Init(ULONG grfFlags, ULONG cAttributes, const FULLPROPSPEC* aAttributes,
                       ULONG* pFlags) {
  if (state_ == State::kEmpty) return E_FAIL;
  if (cAttributes != 0 && !aAttributes) return E_INVALIDARG;
  if (pFlags) *pFlags = 0;
  try {
    if ((grfFlags & IFILTER_INIT_APPLY_INDEX_ATTRIBUTES) || cAttributes != 0) ReadProperties();
    SelectValues(grfFlags, cAttributes, aAttributes);
  } catch (...) {
    values_.clear();
    return E_OUTOFMEMORY;
  }
  next_ = served_ = 0;
  inChunk_ = inValue_ = valueServed_ = false;
  state_ = State::kInitialised;
  return S_OK;
}

SCODE WordFilter::GetChunk(STAT_CHUNK* pStat) {
  if (state_ != State::kInitialised) return E_FAIL;
  if (!pStat) return E_INVALIDARG;
  inChunk_ = inValue_ = valueServed_ = false;
  const size_t texts = doc_.chunks.size();
  if (next_ >= texts + values_.size()) return FILTER_E_END_OF_CHUNKS;
  std::memset(pStat, 0, sizeof(*pStat));
  const size_t index = next_++;
  pStat->idChunk = static_cast<ULONG>(next_);
  pStat->idChunkSource = pStat->idChunk;
  if (index < texts) {
    const TextChunk& chunk = doc_.chunks[index];
    pStat->breakType = static_cast<CHUNK_BREAKTYPE>(chunk.breakType);
    pStat->flags = CHUNK_TEXT;
    pStat->locale = chunk.locale;
    served_ = 0;
    inChunk_ = true;
    return S_OK;
  }
  const DocumentProperty& prop = doc_.properties[values_[index - texts]];
  pStat->breakType = CHUNK_EOP;
  pStat->flags = CHUNK_VALUE;
  pStat->locale = texts != 0 ? doc_.chunks[0].locale : kDefaultLocale;
  pStat->attribute.guidPropSet = kSummaryInformationFormat;
  pStat->attribute.psProperty.ulKind = PRSPEC_PROPID;
  pStat->attribute.psProperty.propid = prop.id;
  inValue_ = true;
  return S_OK;
}

SCODE WordFilter::GetText(ULONG* pcwcBuffer, WCHAR* awcBuffer) {
  if (state_ != State::kInitialised) return E_FAIL;
  if (!pcwcBuffer || !awcBuffer) return E_INVALIDARG;
  if (!inChunk_) {
    *pcwcBuffer = 0;
    return inValue_ ? FILTER_E_NO_TEXT : FILTER_E_NO_MORE_TEXT;
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
  if (state_ != State::kInitialised) return E_FAIL;
  if (!ppPropValue) return E_INVALIDARG;
  *ppPropValue = nullptr;
  if (!inValue_) return FILTER_E_NO_VALUES;
  if (valueServed_) return FILTER_E_NO_MORE_VALUES;
  const std::u16string& value = doc_.properties[values_[next_ - 1 - doc_.chunks.size()]].value;
  // The caller frees both with the task allocator (PropVariantClear and CoTaskMemFree).
  auto* var = static_cast<PROPVARIANT*>(CoTaskMemAlloc(sizeof(PROPVARIANT)));
  auto* text = static_cast<WCHAR*>(CoTaskMemAlloc((value.size() + 1) * sizeof(WCHAR)));
  if (!var || !text) {
    CoTaskMemFree(var);
    CoTaskMemFree(text);
    return E_OUTOFMEMORY;
  }
  std::copy(value.begin(), value.end(), text);
  text[value.size()] = 0;
  std::memset(var, 0, sizeof(*var));
  var->vt = VT_LPWSTR;
  var->pwszVal = text;
  *ppPropValue = var;
  valueServed_ = true;
  return S_OK;
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
HRESULT WordFilter::HandsOffStorage() {
  // The host takes its storage back: keep what may still be asked of it.
  ReadProperties();
  return S_OK;
}

}  // namespace wordfilt
