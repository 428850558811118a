#include <cstring>
#include <new>

#include "host/stream_info.h"
#include "platform/module.h"
#include "server/server_ids.h"
#include "server/settings.h"
#include "server/startup.h"

namespace {

void CopyValue(char* pszDest, const char* pszValue) {
  std::size_t n = std::strlen(pszValue);
  if (n > FLT_MAX_PATH - 1) n = FLT_MAX_PATH - 1;
  std::memcpy(pszDest, pszValue, n);
  pszDest[n] = '\0';
}

}  // namespace

bool SettingsPathForModule(const char* pszModulePath, char* pszSettingsPath) {
  std::size_t n = std::strlen(pszModulePath);
  if (n < 4 || n > FLT_MAX_PATH - 1 || pszModulePath[n - 4] != '.') return false;
  std::memcpy(pszSettingsPath, pszModulePath, n - 3);
  std::memcpy(pszSettingsPath + n - 3, "ini", 4);
  return true;
}

CFltSettings* ReadModuleSettings(HMODULE hModule, char* pszTmpDir, char* pszServerFileName) {
  char path[FLT_MAX_PATH];
  DWORD n = GetModuleFileNameA(hModule, path, FLT_MAX_PATH);
  // An answer of the full capacity is a cut path, which would name the wrong file.
  if (n == 0 || n >= FLT_MAX_PATH) return nullptr;
  char settingsPath[FLT_MAX_PATH];
  if (!SettingsPathForModule(path, settingsPath)) return nullptr;

  CFltSettings* settings = new (std::nothrow) CFltSettings;
  if (!settings) return nullptr;
  settings->SetFile(settingsPath, kFltSettingsSection);

  // Only whether the section holds anything matters here.
  char scratch[999];
  if (settings->GetSection(scratch, sizeof scratch) == 0)
    settings->WriteSection(kFltDefaultSettings);

  char value[FLT_MAX_PATH];
  CopyValue(pszTmpDir, settings->GetString(kFltKeyTmpDir, "", value));
  const char* server = settings->GetString(kFltKeyServerFileName, kFltDefaultServerFile, value);
  if (*server) CopyValue(pszServerFileName, server);
  return settings;
}
