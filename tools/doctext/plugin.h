// The plug-in, loaded at run time by path as a host loads it.
#pragma once

#include <string>
#include <vector>

#include "docflt/docflt.h"

namespace doctext {

class Plugin {
 public:
  Plugin() = default;
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  // Loads the module and finds its four functions; on failure *error says why.
  bool Load(const std::string& path, std::string* error);
  // The upper-case extensions the plug-in takes (without dots).
  std::vector<std::string> Extensions() const;

  // The module's path as loaded; the server lookup for properties starts there.
  const std::string& path() const { return path_; }

  PFN_GETFILTEREXTENSIONS getExtensions = nullptr;
  PFN_CREATEFILTEREDSTREAM create = nullptr;
  PFN_READFILTEREDSTREAM read = nullptr;
  PFN_CLOSEFILTEREDSTREAM close = nullptr;

 private:
  void* module_ = nullptr;
  std::string path_;
};

// Where the plug-in is looked for when --plugin is not given.
std::vector<std::string> DefaultPluginPaths(const char* argv0);

}  // namespace doctext
