// serverrun: loads a filter server module, extracts documents through its
// IPersistFile or IPersistStorage interface and writes their text as UTF-8.
// A developer's tool for scoring the server on its own. With --properties the
// filter is asked for its property values too, printed after the text as
// "[title] ...", "[author] ...".
//
//   serverrun [--server MODULE] [--storage] [--properties] [--out-dir DIR] FILE...
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/com_ref.h"
#include "platform/filter.h"
#include "platform/memory.h"
#include "platform/storage.h"
#include "platform/text.h"
#include "platform/utf.h"

namespace {

const CLSID kFilterClsid = {
    0xF07F3920, 0x7B8C, 0x11CF, {0x9B, 0xE8, 0x00, 0xAA, 0x00, 0x4B, 0x99, 0x86}};

typedef HRESULT(STDAPICALLTYPE* GetClassObjectFn)(REFCLSID, REFIID, void**);

std::vector<WCHAR> Widen(const std::string& path) {
  // Byte by byte, as the plug-in's file route does.
  std::vector<WCHAR> wide;
  for (unsigned char c : path) wide.push_back(c);
  wide.push_back(0);
  return wide;
}

HRESULT LoadByStorage(IFilter* filter, const std::string& path, HGLOBAL* block) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return STG_E_FILENOTFOUND;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size() + 2);
  if (!mem) return E_OUTOFMEMORY;
  *block = mem;
  std::memcpy(GlobalLock(mem), bytes.data(), bytes.size());
  GlobalUnlock(mem);
  platform::ComRef<ILockBytes> lockBytes;
  platform::ComRef<IStorage> storage;
  HRESULT hr = CreateILockBytesOnHGlobal(mem, FALSE, lockBytes.put());
  if (SUCCEEDED(hr)) {
    hr = StgOpenStorageOnILockBytes(lockBytes.get(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                    nullptr, 0, storage.put());
  }
  if (SUCCEEDED(hr)) {
    platform::ComRef<IPersistStorage> persist;
    hr = filter->QueryInterface(IID_IPersistStorage, persist.put_void());
    if (SUCCEEDED(hr)) hr = persist->Load(storage.get());
  }
  return hr;
}

const char* PropertyName(PROPID id) {
  switch (id) {
    case 2: return "title";
    case 3: return "subject";
    case 4: return "author";
    case 5: return "keywords";
    default: return "property";
  }
}

void AppendValue(IFilter* filter, PROPID id, std::string* text) {
  PROPVARIANT* var = nullptr;
  if (filter->GetValue(&var) != S_OK || !var) return;
  if (var->vt == VT_LPWSTR && var->pwszVal) {
    *text += std::string("[") + PropertyName(id) + "] ";
    platform::AppendUtf8(reinterpret_cast<const char16_t*>(var->pwszVal), text);
    *text += "\n";
  }
  PropVariantClear(var);
  CoTaskMemFree(var);
}

HRESULT ExtractWith(IClassFactory* factory, const std::string& path, bool viaStorage,
                    bool properties, std::string* text, HGLOBAL* block);

// The filter goes before the memory block that may back its storage.
HRESULT Extract(IClassFactory* factory, const std::string& path, bool viaStorage, bool properties,
                std::string* text) {
  HGLOBAL block = nullptr;  // may back a storage the filter holds: freed after it
  HRESULT hr = ExtractWith(factory, path, viaStorage, properties, text, &block);
  if (block) GlobalFree(block);
  return hr;
}

HRESULT ExtractWith(IClassFactory* factory, const std::string& path, bool viaStorage,
                    bool properties, std::string* text, HGLOBAL* block) {
  platform::ComRef<IFilter> filter;
  HRESULT hr = factory->CreateInstance(nullptr, IID_IFilter, filter.put_void());
  if (FAILED(hr)) return hr;
  if (viaStorage) {
    hr = LoadByStorage(filter.get(), path, block);
  } else {
    platform::ComRef<IPersistFile> persist;
    hr = filter->QueryInterface(IID_IPersistFile, persist.put_void());
    if (SUCCEEDED(hr)) {
      std::vector<WCHAR> wide = Widen(path);
      hr = persist->Load(wide.data(), STGM_READ);
    }
  }
  ULONG flags = 0;
  if (SUCCEEDED(hr)) {
    hr = filter->Init(properties ? IFILTER_INIT_APPLY_INDEX_ATTRIBUTES : 0, 0, nullptr, &flags);
  }
  if (SUCCEEDED(hr)) {
    static WCHAR buffer[65536];
    STAT_CHUNK stat;
    while (filter->GetChunk(&stat) == S_OK) {
      if (stat.flags == CHUNK_VALUE) {
        AppendValue(filter.get(), stat.attribute.psProperty.propid, text);
      }
      if (stat.flags != CHUNK_TEXT) continue;
      for (;;) {
        ULONG count = 65534;
        const HRESULT t = filter->GetText(&count, buffer);
        if (t == FILTER_E_NO_MORE_TEXT || FAILED(t)) break;
        platform::AppendUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(buffer), count),
                             text);
        if (t == FILTER_S_LAST_TEXT) break;
      }
    }
  }
  return hr;
}

std::string OutputName(const std::string& dir, const std::string& path) {
  std::string name = path.substr(path.find_last_of("/\\") + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return dir + "/" + name + ".txt";
}

}  // namespace

int main(int argc, char** argv) {
  std::string server =
#ifdef _WIN32
      "wordfilt.dll";
#else
      "wordfilt.so";
#endif
  std::string outDir;
  bool viaStorage = false;
  bool properties = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--server" && i + 1 < argc) {
      server = argv[++i];
    } else if (arg == "--out-dir" && i + 1 < argc) {
      outDir = argv[++i];
    } else if (arg == "--storage") {
      viaStorage = true;
    } else if (arg == "--properties") {
      properties = true;
    } else if (arg == "--help" || arg == "-h") {
      std::printf(
          "usage: serverrun [--server MODULE] [--storage] [--properties] [--out-dir DIR] "
          "FILE...\n");
      return 0;
    } else {
      files.push_back(arg);
    }
  }
  CoInitialize(nullptr);
  std::vector<WCHAR> wideServer;
  for (char c : server) wideServer.push_back(static_cast<unsigned char>(c));
  wideServer.push_back(0);
  HINSTANCE module = CoLoadLibrary(wideServer.data(), TRUE);
  if (!module) {
    std::fprintf(stderr, "serverrun: cannot load %s\n", server.c_str());
    return 2;
  }
  auto getClassObject = reinterpret_cast<GetClassObjectFn>(
      reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), "DllGetClassObject")));
  platform::ComRef<IClassFactory> factory;
  if (!getClassObject ||
      FAILED(getClassObject(kFilterClsid, IID_IClassFactory, factory.put_void()))) {
    std::fprintf(stderr, "serverrun: %s has no filter class\n", server.c_str());
    return 2;
  }
  int failures = 0;
  for (const std::string& path : files) {
    std::string text;
    const HRESULT hr = Extract(factory.get(), path, viaStorage, properties, &text);
    if (FAILED(hr)) {
      std::fprintf(stderr, "%s: error 0x%08X\n", path.c_str(), static_cast<unsigned>(hr));
      ++failures;
      continue;
    }
    if (outDir.empty()) {
      std::fwrite(text.data(), 1, text.size(), stdout);
    } else {
      std::ofstream(OutputName(outDir, path), std::ios::binary) << text;
    }
  }
  factory.reset();
  CoUninitialize();
  return failures ? 1 : 0;
}
