// A filter server for the start-up tests: a class factory whose filter
// instances answer the interfaces the mode allows and count themselves. It has
// no document logic; the probe never loads a document.
#include "tests/server/fake_server.h"

#include <stdexcept>

#include "platform/filter.h"

#ifdef _WIN32
#define FAKE_EXPORT extern "C" __declspec(dllexport)
#else
#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

std::uint32_t g_mode = 0;
fake_server::Stats g_stats = {};

// What a server's escaping exception looks like to its caller. On 32-bit
// Windows GCC's table-driven unwinding, linked into each module of its own,
// cannot carry an exception out of the module that threw it (such a server
// would only terminate); a 32-bit server whose exceptions do escape is built
// with the platform's compiler and raises them as structured exceptions, as
// this does.
[[noreturn]] void ThrowOutOfTheServer() {
#if defined(_WIN32) && !defined(_WIN64)
  static const char kWhat[] = "release";
  const ULONG_PTR args[3] = {0x19930520, reinterpret_cast<ULONG_PTR>(kWhat), 0};
  RaiseException(0xE06D7363, EXCEPTION_NONCONTINUABLE, 3, args);
  for (;;) {
  }
#else
  throw std::runtime_error("release");
#endif
}

const CLSID kServerClass = {
    0xF07F3920, 0x7B8C, 0x11CF, {0x9B, 0xE8, 0x00, 0xAA, 0x00, 0x4B, 0x99, 0x86}};

class Filter final : public IFilter, public IPersistFile, public IPersistStorage {
 public:
  Filter() { ++g_stats.liveFilters; }
  ~Filter() { --g_stats.liveFilters; }

  // IUnknown, shared by the three interfaces.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IFilter)) {
      *ppv = static_cast<IFilter*>(this);
    } else if (IsEqualIID(riid, IID_IPersistFile) && !(g_mode & fake_server::kNoPersistFile)) {
      *ppv = static_cast<IPersistFile*>(this);
    } else if (IsEqualIID(riid, IID_IPersistStorage) &&
               !(g_mode & fake_server::kNoPersistStorage)) {
      *ppv = static_cast<IPersistStorage*>(this);
    } else {
      return E_NOINTERFACE;
    }
    ++refs_;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    // The count drops before the throw, so a throwing release still frees.
    ULONG left = --refs_;
    if (left == 0) delete this;
    if (g_mode & fake_server::kReleaseThrows) ThrowOutOfTheServer();
    return left;
  }

  // IFilter
  SCODE STDMETHODCALLTYPE Init(ULONG, ULONG, const FULLPROPSPEC*, ULONG*) override {
    return E_NOTIMPL;
  }
  SCODE STDMETHODCALLTYPE GetChunk(STAT_CHUNK*) override { return FILTER_E_END_OF_CHUNKS; }
  SCODE STDMETHODCALLTYPE GetText(ULONG*, WCHAR*) override { return FILTER_E_NO_MORE_TEXT; }
  SCODE STDMETHODCALLTYPE GetValue(PROPVARIANT**) override { return FILTER_E_NO_MORE_VALUES; }
  SCODE STDMETHODCALLTYPE BindRegion(FILTERREGION, REFIID, void**) override { return E_NOTIMPL; }

  // IPersist, IPersistFile, IPersistStorage: nothing is ever loaded.
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
    *clsid = kServerClass;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(LPCOLESTR, DWORD) override { return E_FAIL; }
  HRESULT STDMETHODCALLTYPE Save(LPCOLESTR, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InitNew(IStorage*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Load(IStorage*) override { return E_FAIL; }
  HRESULT STDMETHODCALLTYPE Save(IStorage*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE HandsOffStorage() override { return E_NOTIMPL; }

 private:
  ULONG refs_ = 0;  // the first reference comes with the first interface asked for
};

class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
      return E_NOINTERFACE;
    *ppv = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++g_stats.factoryRefs; }
  ULONG STDMETHODCALLTYPE Release() override { return --g_stats.factoryRefs; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    *ppv = nullptr;
    int call = ++g_stats.createCalls;
    if (outer) return CLASS_E_NOAGGREGATION;
    if ((g_mode & fake_server::kCreateFails) ||
        ((g_mode & fake_server::kCreateFailsLater) && call > 1))
      return E_OUTOFMEMORY;
    Filter* filter = new Filter;
    HRESULT hr = filter->QueryInterface(riid, ppv);
    if (FAILED(hr)) delete filter;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

FAKE_EXPORT void FakeServerSetMode(std::uint32_t mode) {
  g_mode = mode;
  g_stats.createCalls = 0;
  g_stats.classObjectCalls = 0;
}

FAKE_EXPORT void FakeServerGetStats(fake_server::Stats* stats) { *stats = g_stats; }

#ifndef FAKE_NO_ENTRY
FAKE_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  *ppv = nullptr;
  ++g_stats.classObjectCalls;
  if ((g_mode & fake_server::kRefuseClass) || !IsEqualCLSID(rclsid, kServerClass))
    return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(riid, ppv);
}
#endif
