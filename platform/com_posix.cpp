// Component library stand-ins on POSIX: a counted initialisation and a library
// loader over dlopen that searches the program's directory first, as Windows
// does. Loaded libraries stay loaded for the life of the process, as with
// automatic freeing that is never triggered.
#ifndef _WIN32
#include <dlfcn.h>

#include <string>

#include "platform/com.h"
#include "platform/module.h"
#include "platform/utf.h"

namespace {
thread_local int g_comInits = 0;

// The server's path reaches us converted from the ANSI code page, which on
// POSIX is UTF-8: turn it back into UTF-8 bytes for dlopen.
std::string Narrow(LPCOLESTR s) {
  std::string out;
  if (s) platform::AppendUtf8(std::u16string_view(s), &out);
  return out;
}
}  // namespace

HRESULT CoInitialize(void*) { return g_comInits++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (g_comInits > 0) --g_comInits;
}

HINSTANCE CoLoadLibrary(LPOLESTR libName, BOOL) {
  if (!libName || !*libName) return nullptr;
  std::string name = Narrow(libName);
  // Windows looks for a bare name in the program's directory first; the
  // loader's own search follows.
  if (name.find('/') == std::string::npos) {
    char program[4096];
    DWORD n = GetModuleFileNameA(nullptr, program, sizeof program);
    if (n > 0 && n < sizeof program) {
      std::string beside(program, n);
      beside.resize(beside.rfind('/') + 1);
      if (void* module = dlopen((beside + name).c_str(), RTLD_NOW | RTLD_LOCAL)) return module;
    }
  }
  return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* GetProcAddress(HMODULE module, LPCSTR name) {
  if (!module || !name) return nullptr;
  return dlsym(module, name);
}
#endif
