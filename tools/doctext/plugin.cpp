#include "tools/doctext/plugin.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/auxv.h>
#endif
#endif

namespace doctext {
namespace {

#ifdef _WIN32
const char kPluginName[] = "docflt.dll";
void* OpenModule(const std::string& path, std::string* error) {
  HMODULE m = LoadLibraryA(path.c_str());
  if (!m) *error = "cannot load (error " + std::to_string(GetLastError()) + ")";
  return reinterpret_cast<void*>(m);
}
void* Symbol(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
void CloseModule(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }
#else
const char kPluginName[] = "docflt.flt";
void* OpenModule(const std::string& path, std::string* error) {
  // A path without a slash would make dlopen search the library path instead.
  const std::string name = path.find('/') == std::string::npos ? "./" + path : path;
  void* m = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!m) *error = dlerror();
  return m;
}
void* Symbol(void* module, const char* name) { return dlsym(module, name); }
void CloseModule(void* module) { dlclose(module); }
#endif

template <typename Fn>
Fn Find(void* module, const char* name) {
  return reinterpret_cast<Fn>(Symbol(module, name));
}

}  // namespace

Plugin::~Plugin() {
  if (module_) CloseModule(module_);
}

bool Plugin::Load(const std::string& path, std::string* error) {
  module_ = OpenModule(path, error);
  if (!module_) return false;
  path_ = path;
  getExtensions = Find<PFN_GETFILTEREXTENSIONS>(module_, FLT_NAME_GETFILTEREXTENSIONS);
  create = Find<PFN_CREATEFILTEREDSTREAM>(module_, FLT_NAME_CREATEFILTEREDSTREAM);
  read = Find<PFN_READFILTEREDSTREAM>(module_, FLT_NAME_READFILTEREDSTREAM);
  close = Find<PFN_CLOSEFILTEREDSTREAM>(module_, FLT_NAME_CLOSEFILTEREDSTREAM);
  if (!getExtensions || !create || !read || !close) {
    *error = "not a docflt plug-in (exports missing)";
    return false;
  }
  // Where the loader cannot be refused (POSIX), a failed start-up leaves the
  // plug-in loaded but without its manager: then even a null record gets 4,
  // where a started plug-in answers 0.
  if (create(nullptr) == FLT_ERR_INVALID) {
    *error = "the plug-in could not start (no filter server found)";
    return false;
  }
  return true;
}

std::vector<std::string> Plugin::Extensions() const {
  std::vector<std::string> out;
  for (const char* p = getExtensions(); p && *p; p += out.back().size() + 1) out.emplace_back(p);
  return out;
}

std::vector<std::string> DefaultPluginPaths(const char* argv0) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path self;
#ifndef _WIN32
#ifdef __linux__
  // The name this program was started by, when it is the program file itself
  // and not a link to it: a lookup in /proc costs a one-document run more.
  if (const auto* started = reinterpret_cast<const char*>(getauxval(AT_EXECFN))) {
    struct stat st;
    if (started[0] && lstat(started, &st) == 0 && S_ISREG(st.st_mode)) self = started;
  }
#endif
  if (self.empty()) self = fs::read_symlink("/proc/self/exe", ec);
#else
  char buffer[MAX_PATH] = {};
  if (GetModuleFileNameA(nullptr, buffer, MAX_PATH)) self = buffer;
#endif
  if (self.empty() && argv0) self = fs::absolute(argv0, ec);
  const fs::path dir = self.parent_path();
  return {(dir / kPluginName).string(), (dir / ".." / "lib" / "docflt" / kPluginName).string()};
}

}  // namespace doctext
