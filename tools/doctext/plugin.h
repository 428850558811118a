// The plug-in, loaded at run time by path as a host loads it.
#pragma once

#include <string>
#include <vector>

#include "host/stream_info.h"

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

  typedef const char*(FLT_API* GetExtensionsFn)();
  typedef FLTRESULT(FLT_API* CreateFn)(FILTEREDSTREAMINFO*);
  typedef FLTRESULT(FLT_API* ReadFn)(FILTEREDSTREAMINFO*, void*, DWORD, DWORD*);
  typedef FLTRESULT(FLT_API* CloseFn)(FILTEREDSTREAMINFO*);

  GetExtensionsFn getExtensions = nullptr;
  CreateFn create = nullptr;
  ReadFn read = nullptr;
  CloseFn close = nullptr;

 private:
  void* module_ = nullptr;
};

// Where the plug-in is looked for when --plugin is not given.
std::vector<std::string> DefaultPluginPaths(const char* argv0);

}  // namespace doctext
