// The server module as a host loads it, from copies installed in a temporary
// directory with their own settings and worker: both modes give the same
// chunks through every route, and a misbehaving worker costs one document.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "isolation_support.h"
#include "platform/filter.h"
#include "platform/memory.h"
#include "platform/storage.h"

namespace fs = std::filesystem;
using namespace isotest;
using Ms = std::chrono::milliseconds;

namespace {

const CLSID kFilterClsid = {
    0xF07F3920, 0x7B8C, 0x11CF, {0x9B, 0xE8, 0x00, 0xAA, 0x00, 0x4B, 0x99, 0x86}};
typedef HRESULT(STDAPICALLTYPE* GetClassObjectFn)(REFCLSID, REFIID, void**);

constexpr HRESULT kDied = static_cast<HRESULT>(0x8007042BL);
constexpr HRESULT kTimedOut = static_cast<HRESULT>(0x800705B4L);
constexpr HRESULT kBadReply = static_cast<HRESULT>(0x8007000DL);

// Loading the module, the processes it starts and the handles left over, as
// each system sees them.
#ifdef _WIN32
constexpr char kServerName[] = "wordfilt.dll", kWorkerName[] = "wordfilt-worker.exe";
void* LoadModule(const fs::path& p) { return LoadLibraryW(p.wstring().c_str()); }
GetClassObjectFn GetClassObject(void* module) {
  return reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void (*)()>(
      GetProcAddress(static_cast<HMODULE>(module), "DllGetClassObject")));
}
void UnloadModule(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }
std::string LoadError() { return "error " + std::to_string(GetLastError()); }
std::size_t ChildCount() { return ChildIds().size(); }
std::size_t ZombieCount() { return 0; }  // an ended process is gone with its last handle
// The system's storage functions keep a few handles from their first use on:
// they are opened before the count starts.
std::uintptr_t HandlesNow() {
  ILockBytes* bytes = nullptr;
  IStorage* storage = nullptr;
  if (CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes) == S_OK) {
    if (StgCreateDocfileOnILockBytes(bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                     &storage) == S_OK) {
      storage->Release();
    }
    bytes->Release();
  }
  return FreshHandleMark();
}
bool NoneLeaked(std::uintptr_t before) { return FreshHandleMark() <= before + 16; }
#else
constexpr char kServerName[] = "wordfilt.so", kWorkerName[] = "wordfilt-worker";
void* LoadModule(const fs::path& p) { return dlopen(p.c_str(), RTLD_NOW | RTLD_LOCAL); }
GetClassObjectFn GetClassObject(void* module) {
  return reinterpret_cast<GetClassObjectFn>(dlsym(module, "DllGetClassObject"));
}
void UnloadModule(void* module) { dlclose(module); }
std::string LoadError() {
  const char* error = dlerror();
  return error ? error : "";
}
std::size_t ChildCount() { return Children().size(); }
std::size_t HandlesNow() { return OpenFdCount(); }
bool NoneLeaked(std::size_t before) { return OpenFdCount() == before; }
#endif

std::vector<WCHAR> Wide(const std::string& s) {
  std::vector<WCHAR> w;
  for (unsigned char c : s) w.push_back(c);
  w.push_back(0);
  return w;
}

// The module and a worker copied into a directory of their own; settings
// written there first unless empty (then the module writes its defaults).
struct Install {
  TempDir dir{"module"};
  void* handle = nullptr;
  IClassFactory* factory = nullptr;
  Install(const std::string& worker, const std::string& settings) {
    fs::copy_file(DOCFLT_SERVER_FILE, dir.path / kServerName);
    fs::copy_file(worker, dir.path / kWorkerName);
    if (!settings.empty()) dir.File("wordfilt.ini", "[WORDFILT]\n" + settings);
    handle = LoadModule(dir.path / kServerName);
    if (!handle) return;
    auto get = GetClassObject(handle);
    if (get) get(kFilterClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  }
  ~Install() { Unload(); }
  void Unload() {
    if (factory) factory->Release();
    factory = nullptr;
    if (handle) UnloadModule(handle);
    handle = nullptr;
  }
};

// A filter's whole output: the load result, then every chunk's break, locale
// and text, and the values of the summary properties.
std::string Output(IFilter* filter, HRESULT loaded) {
  std::ostringstream out;
  out << std::hex << loaded << "\n";
  if (FAILED(loaded)) return out.str();
  ULONG flags = 0;
  out << filter->Init(IFILTER_INIT_APPLY_INDEX_ATTRIBUTES, 0, nullptr, &flags) << "\n";
  STAT_CHUNK stat;
  WCHAR buffer[4096];
  while (filter->GetChunk(&stat) == S_OK) {
    out << "chunk " << stat.breakType << " " << stat.locale << " " << stat.flags << "\n";
    if (stat.flags == CHUNK_VALUE) {
      PROPVARIANT* value = nullptr;
      if (filter->GetValue(&value) == S_OK && value) {
        out << stat.attribute.psProperty.propid << "=";
        for (const WCHAR* p = value->pwszVal; p && *p; ++p) out << unsigned(*p) << ",";
        PropVariantClear(value);
        CoTaskMemFree(value);
      }
      continue;
    }
    for (;;) {
      ULONG count = 4096;
      const HRESULT hr = filter->GetText(&count, buffer);
      if (hr != S_OK && hr != FILTER_S_LAST_TEXT) break;
      for (ULONG i = 0; i < count; ++i) out << unsigned(buffer[i]) << " ";
    }
    out << "\n";
  }
  return out.str();
}

std::string ViaPath(IClassFactory* factory, const std::string& path) {
  IFilter* filter = nullptr;
  if (factory->CreateInstance(nullptr, IID_IFilter, reinterpret_cast<void**>(&filter)) != S_OK)
    return "no filter";
  IPersistFile* persist = nullptr;
  filter->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist));
  std::vector<WCHAR> wide = Wide(path);
  const HRESULT hr = persist->Load(wide.data(), STGM_READ);
  persist->Release();
  const std::string out = Output(filter, hr);
  filter->Release();
  return out;
}

// Through IPersistStorage over the file's bytes in memory; empty when the
// file is no compound file.
std::string ViaStorage(IClassFactory* factory, const std::string& path) {
  const std::string bytes = ReadBytes(path);
  if (bytes.empty()) return {};
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  std::memcpy(GlobalLock(mem), bytes.data(), bytes.size());
  GlobalUnlock(mem);
  ILockBytes* lockBytes = nullptr;
  IStorage* storage = nullptr;
  std::string out;
  if (CreateILockBytesOnHGlobal(mem, TRUE, &lockBytes) == S_OK &&
      StgOpenStorageOnILockBytes(lockBytes, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                 &storage) == S_OK) {
    IFilter* filter = nullptr;
    factory->CreateInstance(nullptr, IID_IFilter, reinterpret_cast<void**>(&filter));
    IPersistStorage* persist = nullptr;
    filter->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&persist));
    const HRESULT hr = persist->Load(storage);
    persist->Release();
    out = Output(filter, hr);
    filter->Release();
    storage->Release();
  }
  if (lockBytes) {
    lockBytes->Release();
  } else {
    GlobalFree(mem);
  }
  return out;
}

std::vector<std::string> Documents() {
  std::vector<std::string> docs = CorpusDocs();
  docs.insert(docs.begin(), SampleDoc());
  return docs;
}

}  // namespace

TEST(IsolatedModule, WritesExplainedDefaultsAndMatchesInProcessOnEveryRoute) {
  const auto handlesBefore = HandlesNow();
  {
    // The explained defaults isolate on POSIX; Windows builds parse in process
    // unless told otherwise.
#ifdef _WIN32
    Install isolated(DOCFLT_WORKER_FILE, "ISOLATION=process\n");
    Install inproc(DOCFLT_WORKER_FILE, "");
    const Install& defaults = inproc;
    const char* written = "ISOLATION=inproc";
#else
    Install isolated(DOCFLT_WORKER_FILE, "");
    Install inproc(DOCFLT_WORKER_FILE, "ISOLATION=inproc\n");
    const Install& defaults = isolated;
    const char* written = "ISOLATION=process";
#endif
    ASSERT_TRUE(isolated.factory && inproc.factory) << LoadError();
    std::stringstream ini;
    ini << std::ifstream(defaults.dir.path / "wordfilt.ini").rdbuf();
    EXPECT_NE(ini.str().find(written), std::string::npos);
    EXPECT_NE(ini.str().find("TIMEOUT=30"), std::string::npos);
    std::size_t storages = 0;
    for (const std::string& doc : Documents()) {
      SCOPED_TRACE(doc);
      EXPECT_EQ(ViaPath(isolated.factory, doc), ViaPath(inproc.factory, doc));
      const std::string viaStorage = ViaStorage(isolated.factory, doc);
      EXPECT_EQ(viaStorage, ViaStorage(inproc.factory, doc));
      storages += !viaStorage.empty();
    }
    EXPECT_GE(storages, 1u);
    EXPECT_EQ(ChildCount(), 1u) << "one host thread needs one worker";
    // The in-process module started nothing; the isolated one's worker goes with it.
    isolated.Unload();
    EXPECT_TRUE(ChildCount() == 0) << "a worker outlived its module";
  }
#ifndef _WIN32
  // Under Wine two module copies loaded and unloaded together keep 8 handles
  // whether any document is read or not; the other tests check handles there.
  EXPECT_TRUE(NoneLeaked(handlesBefore));
#else
  (void)handlesBefore;
#endif
}

TEST(IsolatedModule, MisbehavingWorkerFailsOneLoadWithAClearResult) {
  const auto handlesBefore = HandlesNow();
  TempDir docs("docs");
  {
    Install install(DOCFLT_FAULT_WORKER_FILE, "ISOLATION=process\nTIMEOUT=2\nMEMORYLIMIT=128\n");
    ASSERT_TRUE(install.factory) << LoadError();
    const std::string good = ViaPath(install.factory, SampleDoc());
    ASSERT_EQ(good.rfind("0\n0\n", 0), 0u) << good;
    struct Case {
      const char* mode;
      HRESULT result;
    } cases[] = {
        {"crash", kDied}, {"garbage", kBadReply}, {"spin", kTimedOut}, {"explode", E_OUTOFMEMORY}};
    for (const Case& c : cases) {
      SCOPED_TRACE(c.mode);
#if defined(__SANITIZE_ADDRESS__)
      if (std::string(c.mode) == "explode") continue;
#endif
      const auto start = std::chrono::steady_clock::now();
      IFilter* filter = nullptr;
      ASSERT_EQ(
          install.factory->CreateInstance(nullptr, IID_IFilter, reinterpret_cast<void**>(&filter)),
          S_OK);
      IPersistFile* persist = nullptr;
      filter->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist));
      std::vector<WCHAR> wide = Wide(docs.File(c.mode, Marker(c.mode)));
      EXPECT_EQ(persist->Load(wide.data(), STGM_READ), c.result);
      // Nothing loaded: no text is served as if the document were empty.
      ULONG flags = 0;
      EXPECT_EQ(filter->Init(0, 0, nullptr, &flags), E_FAIL);
      persist->Release();
      filter->Release();
      EXPECT_LT(std::chrono::steady_clock::now() - start, Ms(4500));
      EXPECT_EQ(ViaPath(install.factory, SampleDoc()), good);
      EXPECT_EQ(ZombieCount(), 0u);
    }
    install.Unload();
    EXPECT_TRUE(ChildCount() == 0);
  }
  EXPECT_TRUE(NoneLeaked(handlesBefore));
}

TEST(IsolatedModule, HostThreadsExtractAtOnce) {
  Install isolated(DOCFLT_WORKER_FILE, "ISOLATION=process\n");
  Install inproc(DOCFLT_WORKER_FILE, "ISOLATION=inproc\n");
  ASSERT_TRUE(isolated.factory && inproc.factory);
  std::vector<std::string> docs = Documents();
  if (docs.size() > 40) docs.resize(40);
  std::vector<std::string> expected;
  for (const std::string& doc : docs) expected.push_back(ViaPath(inproc.factory, doc));
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (std::size_t i = 0; i < docs.size(); ++i) {
        const std::size_t k = (i + static_cast<std::size_t>(t) * 7) % docs.size();
        if (ViaPath(isolated.factory, docs[k]) != expected[k]) ++wrong;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_LE(ChildCount(), std::max(1u, std::thread::hardware_concurrency()));
  EXPECT_EQ(ZombieCount(), 0u);
}
