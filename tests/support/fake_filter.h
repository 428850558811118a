// A scriptable filter for driving the pump and the routes: a list of chunks
// with their pieces and results, call counters, and injectable faults. It also
// answers IPersistFile and IPersistStorage with scripted results, and a class
// factory hands out such filters.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/filter.h"
#include "platform/fpu.h"

namespace fake {

struct Piece {
  std::u16string text;
  HRESULT hr = S_OK;  // what GetText answers with this piece
  // When set, the count GetText reports instead of the text's length.
  long countOverride = -1;
};

struct Chunk {
  HRESULT hr = S_OK;  // what GetChunk answers
  CHUNKSTATE flags = CHUNK_TEXT;
  LCID locale = 0x0409;
  std::vector<Piece> pieces;  // after the last piece GetText answers NO_MORE_TEXT
};

// A text chunk whose text comes in pieces of at most `piece` units, the last
// one with FILTER_S_LAST_TEXT.
Chunk TextChunk(const std::u16string& text, LCID locale = 0x0409, size_t piece = 65534);

class Filter : public IFilter, public IPersistFile, public IPersistStorage {
 public:
  std::vector<Chunk> chunks;
  // GetChunk keeps answering this once the chunks are used up.
  HRESULT endResult = FILTER_E_END_OF_CHUNKS;
  bool throwInRelease = false;
  // Leave the x87 unit in a careless state after each call.
  bool spoilFpu = false;

  // Persistence: which interfaces QueryInterface answers, what Load and Init
  // answer. When set, the load hooks run after the call is recorded and their
  // answer replaces loadResult (a reader that really opens the document).
  bool offerPersistFile = true;
  bool offerPersistStorage = true;
  HRESULT loadResult = S_OK;
  HRESULT initResult = S_OK;
  std::function<HRESULT(Filter&, const std::u16string& path)> onLoadFile;
  std::function<HRESULT(Filter&, IStorage* storage)> onLoadStorage;
  // Keep a reference to the loaded storage until the last Release, as servers
  // that read lazily do; onLastRelease runs just before it is let go.
  bool holdStorage = false;
  std::function<void(Filter&)> onLastRelease;

  int loadFileCalls = 0;
  int loadStorageCalls = 0;
  int initCalls = 0;
  std::u16string loadedPath;  // the UTF-16 path exactly as Load received it
  DWORD loadMode = 0xFFFFFFFFu;
  IStorage* heldStorage = nullptr;
  // Order of the persistence calls and releases: "QI:file", "QI:storage",
  // "Load", "Init", "Release".
  std::vector<std::string> events;

  int getChunkCalls = 0;
  int getTextCalls = 0;
  int releaseCalls = 0;
  ULONG refs = 1;
  std::vector<ULONG> askedUnits;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override;
  SCODE STDMETHODCALLTYPE Init(ULONG, ULONG, const FULLPROPSPEC*, ULONG*) override;
  SCODE STDMETHODCALLTYPE GetChunk(STAT_CHUNK* stat) override;
  SCODE STDMETHODCALLTYPE GetText(ULONG* count, WCHAR* buffer) override;
  SCODE STDMETHODCALLTYPE GetValue(PROPVARIANT**) override { return FILTER_E_NO_MORE_VALUES; }
  SCODE STDMETHODCALLTYPE BindRegion(FILTERREGION, REFIID, void**) override { return E_NOTIMPL; }

  // IPersist, IPersistFile and IPersistStorage.
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(LPCOLESTR fileName, DWORD mode) override;
  HRESULT STDMETHODCALLTYPE Save(LPCOLESTR, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InitNew(IStorage*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Load(IStorage* storage) override;
  HRESULT STDMETHODCALLTYPE Save(IStorage*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE HandsOffStorage() override { return E_NOTIMPL; }
  virtual ~Filter();

 private:
  size_t next_ = 0;   // next chunk to hand out
  size_t piece_ = 0;  // next piece of the current chunk
  bool inChunk_ = false;
};

// A class factory whose instances are fake filters. Every filter it made stays
// alive with the factory, so a test can look at it after the stream is gone.
class Factory : public IClassFactory {
 public:
  // What CreateInstance answers; on failure it stores `failedInstance`.
  HRESULT createResult = S_OK;
  IFilter* failedInstance = nullptr;
  // Applied to each new filter before it is handed out.
  std::function<void(Filter&)> setup;

  std::vector<std::unique_ptr<Filter>> made;
  int createCalls = 0;
  ULONG refs = 1;

  Filter& last() { return *made.back(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
  virtual ~Factory() = default;
};

}  // namespace fake
