// The class factory that makes filter objects.
#pragma once

#include <atomic>

#include "platform/com.h"

namespace wordfilt {

class FilterFactory final : public IClassFactory {
 public:
  FilterFactory();
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  ~FilterFactory();
  std::atomic<ULONG> refs_{1};
};

}  // namespace wordfilt
