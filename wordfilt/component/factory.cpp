#include "wordfilt/component/factory.h"

#include <new>

#include "platform/com_ref.h"
#include "wordfilt/component/module_state.h"
#include "wordfilt/component/word_filter.h"

namespace wordfilt {

std::atomic<long> g_liveObjects{0};
std::atomic<long> g_serverLocks{0};

FilterFactory::FilterFactory() { ++g_liveObjects; }
FilterFactory::~FilterFactory() { --g_liveObjects; }

HRESULT FilterFactory::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IClassFactory) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG FilterFactory::AddRef() { return ++refs_; }

ULONG FilterFactory::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT FilterFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  // The creation reference goes at the end: the caller's, if any, keeps it alive.
  const platform::ComRef<WordFilter> filter(new (std::nothrow) WordFilter());
  if (!filter) return E_OUTOFMEMORY;
  return filter->QueryInterface(riid, ppv);
}

HRESULT FilterFactory::LockServer(BOOL lock) {
  if (lock) {
    ++g_serverLocks;
  } else if (g_serverLocks > 0) {
    --g_serverLocks;
  }
  return S_OK;
}

}  // namespace wordfilt
