#include <cstring>

#include "host/stream_info.h"
#include "platform/module.h"
#include "server/startup.h"

namespace {

// Windows paths use backslashes; on POSIX the loader reports '/'.
bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\';
#else
  return c == '\\' || c == '/';
#endif
}

}  // namespace

void ChooseTmpDir(char* pszTmpDir) {
  if (*pszTmpDir) return;
  // An answer of the capacity or more is the size the path would need, not a path.
  DWORD n = GetTempPathA(FLT_MAX_PATH, pszTmpDir);
  if (n > 0 && n < FLT_MAX_PATH) return;
  pszTmpDir[0] = '\0';

  HMODULE host = GetModuleHandleA(nullptr);
  if (!host) return;
  n = GetModuleFileNameA(host, pszTmpDir, FLT_MAX_PATH);
  if (n == 0 || n >= FLT_MAX_PATH) {
    pszTmpDir[0] = '\0';
    return;
  }
  // The last separator that is not the first character ends the directory.
  for (std::size_t i = std::strlen(pszTmpDir); i-- > 1;) {
    if (IsSeparator(pszTmpDir[i])) {
      pszTmpDir[i] = '\0';
      break;
    }
  }
}
