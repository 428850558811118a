// The classes root read from the registration file (see platform/registry.h).
// An open key is a snapshot: its path and its default value as the file held
// them when the key was opened.
#ifndef _WIN32
#include <cstring>
#include <new>
#include <string>

#include "platform/module.h"
#include "platform/profile/text_file.h"
#include "platform/registry.h"
#include "platform/registry/reg_file.h"

struct HKEY__ {
  std::string path;
  std::string defaultValue;
};

namespace {

std::string& OverrideFile() {
  static std::string file;
  return file;
}

// Any address inside this module finds the module's file.
const char kAnchor = 0;

std::string RegistrationFile() {
  if (!OverrideFile().empty()) return OverrideFile();
  char module[4096];
  DWORD n = GetModuleFileNameA(platform::ModuleFromAddress(&kAnchor), module, sizeof module);
  if (n == 0 || n >= sizeof module) return {};
  std::string path(module, n);
  std::size_t slash = path.rfind('/');
  std::size_t dot = path.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
  return path + ".reg";
}

bool IsClassesRoot(HKEY key) { return key == HKEY_CLASSES_ROOT; }

bool IsPredefined(HKEY key) {
  auto v = reinterpret_cast<ULONG_PTR>(key);
  return (v & ~static_cast<ULONG_PTR>(0xFF)) == reinterpret_cast<ULONG_PTR>(HKEY_CLASSES_ROOT);
}

// Checks a sub-key path and drops one trailing backslash; the path may not
// start with a backslash or hold an empty name.
LSTATUS CleanSubKey(std::string_view sub, std::string* out) {
  if (!sub.empty() && sub.front() == '\\') return ERROR_BAD_PATHNAME;
  if (!sub.empty() && sub.back() == '\\') sub.remove_suffix(1);
  if (sub.find("\\\\") != std::string_view::npos) return ERROR_FILE_NOT_FOUND;
  out->assign(sub);
  return ERROR_SUCCESS;
}

LSTATUS Open(const std::string& path, HKEY* result) {
  platform::RegKeyInfo info;
  if (path.empty()) {
    info.exists = true;  // the root always exists
  }
  std::string file = RegistrationFile();
  platform::TextFile text;
  if (!file.empty() && platform::ReadTextFile(file.c_str(), &text) == platform::ReadResult::kOk) {
    platform::RegKeyInfo found = platform::FindClassesRootKey(text.text, path);
    if (found.exists) info = std::move(found);
  }
  if (!info.exists) return ERROR_FILE_NOT_FOUND;
  HKEY key = new (std::nothrow) HKEY__;
  if (!key) return ERROR_NOT_ENOUGH_MEMORY;
  key->path = path;
  key->defaultValue = std::move(info.defaultValue);
  *result = key;
  return ERROR_SUCCESS;
}

}  // namespace

namespace platform {
void SetRegistrationFile(const char* path) { OverrideFile() = path ? path : ""; }
}  // namespace platform

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (!key) return ERROR_INVALID_HANDLE;
  try {
    std::string_view sub = subKey ? subKey : "";
    std::string base;
    if (IsClassesRoot(key)) {
      if (!sub.empty() && sub.front() == '\\') sub.remove_prefix(1);
    } else if (IsPredefined(key)) {
      return ERROR_FILE_NOT_FOUND;  // other roots are not provided
    } else {
      base = key->path;
    }
    std::string clean;
    if (LSTATUS status = CleanSubKey(sub, &clean); status != ERROR_SUCCESS) return status;
    if (!base.empty() && !clean.empty()) base.push_back('\\');
    return Open(base + clean, result);
  } catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

LSTATUS RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR value, PLONG cbValue) {
  if (value && !cbValue) return ERROR_INVALID_PARAMETER;
  HKEY opened = nullptr;
  if ((subKey && *subKey) || IsPredefined(key)) {
    if (LSTATUS status = RegOpenKeyExA(key, subKey, 0, KEY_QUERY_VALUE, &opened);
        status != ERROR_SUCCESS)
      return status;
    key = opened;
  }
  if (!key) return ERROR_INVALID_HANDLE;
  const std::string& data = key->defaultValue;
  LONG need = static_cast<LONG>(data.size() + 1);
  LSTATUS status = ERROR_SUCCESS;
  if (value && cbValue && *cbValue < need)
    status = ERROR_MORE_DATA;
  else if (value)
    std::memcpy(value, data.c_str(), data.size() + 1);
  if (cbValue) *cbValue = need;
  if (opened) RegCloseKey(opened);
  return status;
}

LSTATUS RegCloseKey(HKEY key) {
  if (!key) return ERROR_INVALID_HANDLE;
  if (!IsPredefined(key)) delete key;
  return ERROR_SUCCESS;
}
#endif
