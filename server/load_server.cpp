#include <cstring>
#include <memory>
#include <new>

#include "platform/filter.h"
#include "platform/text.h"
#include "server/server_lookup.h"
#include "server/server_ref.h"

namespace {

typedef HRESULT(STDAPICALLTYPE* PFN_DLLGETCLASSOBJECT)(REFCLSID rclsid, REFIID riid, void** ppv);

}  // namespace

IClassFactory* LoadFilterServer(const char* pszPath, const CLSID* pClsid) {
  if (!pszPath || !pClsid) return nullptr;
  // Only the server's own path goes through the ANSI code page; a failed
  // conversion leaves an empty path, which loads nothing.
  std::size_t length = std::strlen(pszPath);
  std::unique_ptr<WCHAR[]> wide(new (std::nothrow) WCHAR[length + 1]);
  if (!wide) return nullptr;
  wide[0] = 0;
  MultiByteToWideChar(CP_ACP, 0, pszPath, -1, wide.get(), static_cast<int>(length + 1));

  HINSTANCE library = CoLoadLibrary(wide.get(), TRUE);
  if (!library) return nullptr;
  auto entry = reinterpret_cast<PFN_DLLGETCLASSOBJECT>(
      reinterpret_cast<void (*)()>(GetProcAddress(library, "DllGetClassObject")));
  if (!entry) return nullptr;

  ServerRef<IClassFactory> factory;
  if (FAILED(entry(*pClsid, IID_IClassFactory, factory.put_void()))) {
    factory.detach();
    return nullptr;
  }
  if (!factory) return nullptr;  // success without a factory is no factory

  ServerRef<IFilter> filter;
  if (FAILED(factory->CreateInstance(nullptr, IID_IFilter, filter.put_void())) || !filter) {
    filter.detach();
    return nullptr;  // the factory goes with its holder
  }
  filter.reset();
  return factory.detach();
}
