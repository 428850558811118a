#include "wordfilt/isolation/settings.h"

#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/profile.h"
#endif

namespace wordfilt {
namespace isolation {
namespace {

constexpr char kSection[] = "WORDFILT";
constexpr unsigned kMinTimeout = 1, kMaxTimeout = 86400;
constexpr unsigned kMinMemoryMiB = 64, kMaxMemoryMiB = 1u << 20;

unsigned ReadNumber(const std::string& ini, const char* key, unsigned fallback, unsigned lo,
                    unsigned hi) {
  char value[64] = {};
  GetPrivateProfileStringA(kSection, key, "", value, sizeof value, ini.c_str());
  char* end = nullptr;
  const unsigned long n = std::strtoul(value, &end, 10);
  if (end == value || *end != '\0' || n < lo || n > hi) return fallback;
  return static_cast<unsigned>(n);
}

}  // namespace

// Isolated where the worker has its sandbox and its replies come through
// shared memory; Windows builds parse in process until theirs do too.
#ifdef _WIN32
#define WORDFILT_ISOLATION_DEFAULT "inproc"
#else
#define WORDFILT_ISOLATION_DEFAULT "process"
#endif

const char kDefaultSection[] =
    "'Where documents are parsed: process parses each one in a\r\n"
    "'separate worker program, wordfilt-worker beside this module, so that a\r\n"
    "'document that crashes or hangs the parser costs only that document;\r\n"
    "'inproc parses in the host's own process (for hosts that cannot start "
    "one).\r\nISOLATION=" WORDFILT_ISOLATION_DEFAULT
    "\r\n"
    "\r\n"
    "'Seconds a worker may spend on one document before it is stopped.\r\n"
    "TIMEOUT=30\r\n"
    "\r\n"
    "'Memory a worker may use, in MiB.\r\n"
    "MEMORYLIMIT=1024\r\n"
    "\0";

std::string SettingsPathFor(const std::string& modulePath) {
  const std::size_t dot = modulePath.find_last_of('.');
  const std::size_t slash = modulePath.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return modulePath.substr(0, dot) + ".ini";
}

Settings ReadSettings(const std::string& iniPath) {
  Settings s;
  if (iniPath.empty()) return s;
  char scratch[256];
  if (GetPrivateProfileSectionA(kSection, scratch, sizeof scratch, iniPath.c_str()) == 0) {
    WritePrivateProfileSectionA(kSection, kDefaultSection, iniPath.c_str());
  }
  char mode[32] = {};
  GetPrivateProfileStringA(kSection, "ISOLATION", "", mode, sizeof mode, iniPath.c_str());
  // Anything but the other mode, named, is the default.
#ifdef _WIN32
  s.isolated = _stricmp(mode, "process") == 0;
#else
  s.isolated = strcasecmp(mode, "inproc") != 0;
#endif
  s.timeoutSeconds = ReadNumber(iniPath, "TIMEOUT", s.timeoutSeconds, kMinTimeout, kMaxTimeout);
  s.memoryLimitMiB =
      ReadNumber(iniPath, "MEMORYLIMIT", s.memoryLimitMiB, kMinMemoryMiB, kMaxMemoryMiB);
  return s;
}

}  // namespace isolation
}  // namespace wordfilt
