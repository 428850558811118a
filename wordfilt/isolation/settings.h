// The server module's own settings: whether documents are parsed in a worker
// process, and that worker's limits. Read from wordfilt.ini beside the module,
// section [WORDFILT]; a missing file or section is written with the defaults
// and an explanation of each key.
#pragma once

#include <string>

namespace wordfilt {
namespace isolation {

struct Settings {
#ifdef _WIN32
  bool isolated = false;  // parse in a worker process (ISOLATION=process)
#else
  bool isolated = true;
#endif
  unsigned timeoutSeconds = 30;
  unsigned memoryLimitMiB = 1024;
};

// The file beside a module: its path with the extension replaced by ".ini";
// empty when the path has no extension.
std::string SettingsPathFor(const std::string& modulePath);

// Reads the settings, writing the defaults first where the section is missing
// or empty. Values out of range or unknown fall back to the defaults.
Settings ReadSettings(const std::string& iniPath);

// The default section, as written to a new file (the plug-in's own form:
// CRLF-separated lines ended by two NULs).
extern const char kDefaultSection[];

}  // namespace isolation
}  // namespace wordfilt
