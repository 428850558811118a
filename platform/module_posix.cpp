// Module names over the dynamic loader: a module handle is a dlopen handle,
// which glibc makes the module's link map.
#ifndef _WIN32
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/module.h"

namespace {

// Windows copies what fits, always NUL-terminates, and answers the full size
// when the path was cut.
DWORD StoreCut(const std::string& path, LPSTR out, DWORD size) {
  if (!out || size == 0 || path.empty()) return 0;
  if (path.size() < size) {
    std::memcpy(out, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
  }
  std::memcpy(out, path.data(), size - 1);
  out[size - 1] = '\0';
  return size;
}

std::string MainProgramPath() {
  std::string path(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<size_t>(n) >= path.size()) return {};
  path.resize(static_cast<size_t>(n));
  return path;
}

// The loader keeps the name a module was opened by; a relative one is made
// absolute against the current directory, as a full path is what callers expect.
std::string Absolute(const char* name) {
  if (name[0] == '/') return name;
  std::string cwd(4096, '\0');
  if (!getcwd(cwd.data(), cwd.size())) return name;
  cwd.resize(std::strlen(cwd.c_str()));
  std::string rel = name;
  if (rel.compare(0, 2, "./") == 0) rel.erase(0, 2);
  return cwd + "/" + rel;
}

}  // namespace

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  if (!module) return StoreCut(MainProgramPath(), fileName, size);
  link_map* map = nullptr;
  if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map) return 0;
  // The main program's link map has an empty name.
  if (!map->l_name || !map->l_name[0]) return StoreCut(MainProgramPath(), fileName, size);
  return StoreCut(Absolute(map->l_name), fileName, size);
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  void* handle = dlopen(moduleName, RTLD_LAZY | RTLD_NOLOAD);
  if (!handle) return nullptr;
  // dlopen counted a reference; the module stays loaded through its other ones
  // (the main program always), and the handle stays valid while it does.
  dlclose(handle);
  return handle;
}

DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer) {
  const char* env = std::getenv("TMPDIR");
  std::string path = env && *env ? env : "/tmp";
  if (path.back() != '/') path.push_back('/');
  if (path.size() >= bufferLength || !buffer) {
    if (buffer && bufferLength > 0) buffer[0] = '\0';
    return static_cast<DWORD>(path.size() + 1);
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

namespace platform {

HMODULE ModuleFromAddress(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (!dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map)
    return nullptr;
  return map;
}

}  // namespace platform
#endif
