// The filter object: loads a Word document from a file or a storage and serves
// its text as chunks.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/com_ref.h"
#include "platform/filter.h"
#include "wordfilt/doc/document_text.h"

namespace wordfilt {

class WordFilter final : public IFilter, public IPersistFile, public IPersistStorage {
 public:
  WordFilter();

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IFilter
  SCODE STDMETHODCALLTYPE Init(ULONG grfFlags, ULONG cAttributes, const FULLPROPSPEC* aAttributes,
                               ULONG* pFlags) override;
  SCODE STDMETHODCALLTYPE GetChunk(STAT_CHUNK* pStat) override;
  SCODE STDMETHODCALLTYPE GetText(ULONG* pcwcBuffer, WCHAR* awcBuffer) override;
  SCODE STDMETHODCALLTYPE GetValue(PROPVARIANT** ppPropValue) override;
  SCODE STDMETHODCALLTYPE BindRegion(FILTERREGION origPos, REFIID riid, void** ppunk) override;

  // IPersist
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override;

  // IPersistFile
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(LPCOLESTR pszFileName, DWORD dwMode) override;
  HRESULT STDMETHODCALLTYPE Save(LPCOLESTR pszFileName, BOOL fRemember) override;
  HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR pszFileName) override;
  HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* ppszFileName) override;

  // IPersistStorage
  HRESULT STDMETHODCALLTYPE InitNew(IStorage* pStg) override;
  HRESULT STDMETHODCALLTYPE Load(IStorage* pStg) override;
  HRESULT STDMETHODCALLTYPE Save(IStorage* pStgSave, BOOL fSameAsLoad) override;
  HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage* pStgNew) override;
  HRESULT STDMETHODCALLTYPE HandsOffStorage() override;

 private:
  ~WordFilter();
  HRESULT LoadStorage(IStorage* storage);
  HRESULT LoadPlainFile(LPCOLESTR path);
  // Takes the result of a document parsed in a worker.
  HRESULT LoadIsolated(HRESULT hr);
  void Reset();
  // Reads the document's properties once, from the storage it came in or
  // from its file again, and lets go of the storage.
  void ReadProperties();
  void ReleaseStorage();
  void SelectValues(ULONG grfFlags, ULONG cAttributes, const FULLPROPSPEC* aAttributes);

  // Word 2 files, read whole from disk, are never this large.
  static constexpr std::size_t kMaxPlainFile = std::size_t(64) << 20;

  enum class State { kEmpty, kLoaded, kInitialised };
  std::atomic<ULONG> refs_{1};
  State state_ = State::kEmpty;
  DocumentText doc_;
  // Where the properties are read from when Init asks for them: the storage a
  // host handed over (held until then, HandsOffStorage or the next load), or
  // the path of a file loaded by name (never held open).
  platform::ComRef<IStorage> storage_;
  std::u16string path_;
  bool propertiesRead_ = false;
  // Properties Init asked for, as indices into doc_.properties; their value
  // chunks follow the text chunks.
  std::vector<size_t> values_;
  size_t next_ = 0;           // index of the next chunk to hand out (text, then values)
  size_t served_ = 0;         // units of the current chunk already handed out
  bool inChunk_ = false;      // the current chunk is text with units left
  bool inValue_ = false;      // the current chunk is a value
  bool valueServed_ = false;  // ... and GetValue has handed it out
};

}  // namespace wordfilt
