#include <cstring>
#include <initializer_list>

#include "host/stream_info.h"
#include "server/server_ids.h"
#include "server/server_lookup.h"

namespace {

class RegKey {
 public:
  RegKey() = default;
  ~RegKey() {
    if (key_) RegCloseKey(key_);
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  HKEY* Put() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// Joins the pieces into a key path of at most FLT_MAX_PATH - 1 characters;
// false when they do not fit, so that a long registry value ends the lookup
// instead of running past the buffer.
bool JoinKeyPath(char* pszPath, std::initializer_list<const char*> pieces) {
  std::size_t used = 0;
  for (const char* piece : pieces) {
    std::size_t n = std::strlen(piece);
    if (used + n > FLT_MAX_PATH - 1) return false;
    std::memcpy(pszPath + used, piece, n);
    used += n;
  }
  pszPath[used] = '\0';
  return true;
}

}  // namespace

LONG QueryDefaultValue(HKEY hRoot, const char* pszSubKey, char* pszValue) {
  RegKey key;
  LONG status = RegOpenKeyExA(hRoot, pszSubKey, 0, KEY_QUERY_VALUE, key.Put());
  if (status != ERROR_SUCCESS) return status;
  char value[FLT_MAX_PATH];
  LONG cbValue = sizeof value;
  status = RegQueryValueA(key.Get(), nullptr, value, &cbValue);
  if (status != ERROR_SUCCESS) return status;
  // A value stored without its NUL comes back without one.
  if (cbValue <= 0 || !std::memchr(value, '\0', static_cast<std::size_t>(cbValue))) {
    if (cbValue < 0 || cbValue >= static_cast<LONG>(sizeof value)) return ERROR_MORE_DATA;
    value[cbValue] = '\0';
  }
  std::memcpy(pszValue, value, std::strlen(value) + 1);
  return ERROR_SUCCESS;
}

BOOL QueryClassesRootDefault(const char* pszSubKey, char* pszValue) {
  return QueryDefaultValue(HKEY_CLASSES_ROOT, pszSubKey, pszValue) == ERROR_SUCCESS ? TRUE : FALSE;
}

bool FindRegisteredServer(const char* pszExtension, char* pszServerPath) {
  char key[FLT_MAX_PATH];
  char handler[FLT_MAX_PATH];
  char filter[FLT_MAX_PATH];
  return JoinKeyPath(key, {".", pszExtension, "\\PersistentHandler"}) &&
         QueryClassesRootDefault(key, handler) &&
         JoinKeyPath(key, {"\\CLSID", "\\", handler, "\\PersistentAddinsRegistered", "\\",
                           kFltFilterAddinKey}) &&
         QueryClassesRootDefault(key, filter) &&
         JoinKeyPath(key, {"\\CLSID", "\\", filter, "\\InprocServer32"}) &&
         QueryClassesRootDefault(key, pszServerPath);
}
