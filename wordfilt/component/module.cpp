// The server module's entry points.
#include "platform/module.h"

#include <new>
#include <string>

#include "platform/com_ref.h"
#include "platform/filter.h"
#include "wordfilt/component/factory.h"
#include "wordfilt/component/ids.h"
#include "wordfilt/component/isolated_load.h"
#include "wordfilt/component/module_state.h"

#ifdef _WIN32
#define WORDFILT_EXPORT extern "C"
#else
#define WORDFILT_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// The settings and the worker program live beside this module.
void StartIsolation() {
  char path[4096] = {};
  HMODULE self = platform::ModuleFromAddress(reinterpret_cast<const void*>(&StartIsolation));
  const DWORD n = GetModuleFileNameA(self, path, sizeof path);
  if (n == 0 || n >= sizeof path) return;
  wordfilt::StartModuleIsolation(std::string(path, n));
}

}  // namespace

WORDFILT_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (rclsid != wordfilt::kFilterClsid) return CLASS_E_CLASSNOTAVAILABLE;
  StartIsolation();
  const platform::ComRef<wordfilt::FilterFactory> factory(new (std::nothrow)
                                                              wordfilt::FilterFactory());
  if (!factory) return E_OUTOFMEMORY;
  return factory->QueryInterface(riid, ppv);
}

WORDFILT_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return (wordfilt::g_liveObjects == 0 && wordfilt::g_serverLocks == 0) ? S_OK : S_FALSE;
}

#ifdef _WIN32
namespace {

HINSTANCE g_module = nullptr;

bool SetDefault(const std::string& key, const std::string& value) {
  HKEY hkey = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hkey,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG rc =
      RegSetValueExA(hkey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
  RegCloseKey(hkey);
  return rc == ERROR_SUCCESS;
}

std::string HandlerKey() {
  return std::string("CLSID\\") + wordfilt::kPersistentHandlerClsidString;
}
std::string FilterKey() { return std::string("CLSID\\") + wordfilt::kFilterClsidString; }

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

// Writes the three keys a host follows from ".doc" to this module.
WORDFILT_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer() {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return E_FAIL;
  const bool ok =
      SetDefault(".doc\\PersistentHandler", wordfilt::kPersistentHandlerClsidString) &&
      SetDefault(".dot\\PersistentHandler", wordfilt::kPersistentHandlerClsidString) &&
      SetDefault(HandlerKey() + "\\PersistentAddinsRegistered\\" + wordfilt::kIFilterIidString,
                 wordfilt::kFilterClsidString) &&
      SetDefault(FilterKey() + "\\InprocServer32", path);
  if (ok) {
    HKEY hkey = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, (FilterKey() + "\\InprocServer32").c_str(), 0, KEY_WRITE,
                      &hkey) == ERROR_SUCCESS) {
      static const char kModel[] = "Both";
      RegSetValueExA(hkey, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(kModel),
                     sizeof(kModel));
      RegCloseKey(hkey);
    }
  }
  return ok ? S_OK : E_FAIL;
}

WORDFILT_EXPORT HRESULT STDAPICALLTYPE DllUnregisterServer() {
  RegDeleteTreeA(HKEY_CLASSES_ROOT, FilterKey().c_str());
  RegDeleteTreeA(HKEY_CLASSES_ROOT, HandlerKey().c_str());
  RegDeleteTreeA(HKEY_CLASSES_ROOT, ".doc\\PersistentHandler");
  RegDeleteTreeA(HKEY_CLASSES_ROOT, ".dot\\PersistentHandler");
  return S_OK;
}
#endif
