// The plug-in module's load and unload as a host sees them: the built module
// copied into a folder of its own with the settings (or the registration) a
// test wants, loaded by path and driven through its exports.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/text.h"
#include "tests/support/route_host.h"
#include "tests/support/test_host.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

namespace fs = std::filesystem;

const std::string kSample = DOCFLT_SOURCE_DIR "/samples/welcome.doc";

// The module loaded from a path, with its exports.
class Module {
 public:
  explicit Module(const std::string& path) {
#ifdef _WIN32
    handle_ = LoadLibraryA(path.c_str());
    loadError = handle_ ? 0 : GetLastError();
    auto find = [this](const char* n) {
      return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), n));
    };
#else
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto find = [this](const char* n) { return dlsym(handle_, n); };
#endif
    if (!handle_) return;
    extensions = reinterpret_cast<decltype(extensions)>(find("GetFilterExtensions"));
    create = reinterpret_cast<decltype(create)>(find("CreateFilteredStream"));
    read = reinterpret_cast<decltype(read)>(find("ReadFilteredStream"));
    close = reinterpret_cast<decltype(close)>(find("CloseFilteredStream"));
  }
  ~Module() {
#ifdef _WIN32
    if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
#else
    if (handle_) dlclose(handle_);
#endif
  }
  bool loaded() const { return handle_ && extensions && create && read && close; }

  // Streams the sample through create, read and close; the result of the
  // first call that failed, else FLT_OK with the text.
  FLTRESULT Extract(std::string* text) {
    e2e::Document doc(kSample, false, CP_UTF8);
    FLTRESULT rc = create(&doc.info);
    char buf[4096];
    DWORD got = 0;
    while (rc == FLT_OK && (rc = read(&doc.info, buf, sizeof(buf), &got)) == FLT_OK && got)
      text->append(buf, got);
    close(&doc.info);
    return rc;
  }

  unsigned long loadError = 0;  // the loader's error when Windows refused the load
  const char*(FLT_API* extensions)() = nullptr;
  FLTRESULT(FLT_API* create)(FILTEREDSTREAMINFO*) = nullptr;
  FLTRESULT(FLT_API* read)(FILTEREDSTREAMINFO*, void*, DWORD, DWORD*) = nullptr;
  FLTRESULT(FLT_API* close)(FILTEREDSTREAMINFO*) = nullptr;

 private:
  void* handle_ = nullptr;
};

bool ExtractsTheSample(Module& m) {
  std::string text;
  return m.loaded() && m.Extract(&text) == FLT_OK &&
         text.find("Welcome to docflt") != std::string::npos;
}

class ModuleFolder : public testing::Test {
 protected:
  routes::TempDir folder, tmp;
  std::string plugin;

  void SetUp() override {
    ASSERT_FALSE(folder.path().empty() || tmp.path().empty());
    plugin = folder.Join(fs::path(DOCFLT_PLUGIN_FILE).filename().string());
    ASSERT_TRUE(fs::copy_file(DOCFLT_PLUGIN_FILE, plugin));
  }
  void TearDown() override { EXPECT_TRUE(tmp.Entries().empty()); }
  void WriteBeside(const char* extension, const std::string& text) {
    ASSERT_TRUE(
        routes::WriteWholeFile(fs::path(plugin).replace_extension(extension).string(), text));
  }
  // Settings naming the built server, or one that does not exist.
  void WriteSettings(bool server) {
    WriteBeside(".ini", "[SETTINGS]\r\nTMPDIR=" + tmp.path() + "\r\nSERVERFILENAME=" +
                            (server ? DOCFLT_SERVER_FILE : folder.Join("no-such-server")) + "\r\n");
  }
};

// No server and no registration to fall back on: Windows' loader is refused;
// a shared object cannot refuse its load, so it stays loaded but inert.
TEST_F(ModuleFolder, StartUpWithoutAServerRefusesTheLoad) {
  WriteSettings(false);
  Module m(plugin);
#ifdef _WIN32
  EXPECT_FALSE(m.loaded());
  EXPECT_EQ(m.loadError, static_cast<unsigned long>(ERROR_DLL_INIT_FAILED));
#else
  ASSERT_TRUE(m.loaded());
  EXPECT_STREQ(m.extensions(), "DOC");
  e2e::Document doc(kSample, false, CP_UTF8);
  char buf[16];
  DWORD got = 42;
  EXPECT_EQ(m.create(nullptr), FLT_ERR_INVALID);  // a manager would answer 0
  EXPECT_EQ(m.create(&doc.info), FLT_ERR_INVALID);
  EXPECT_EQ(m.read(&doc.info, buf, sizeof(buf), &got), FLT_ERR_INVALID);
  EXPECT_EQ(m.close(&doc.info), FLT_ERR_INVALID);
  EXPECT_EQ(doc.readCalls + doc.fileNameCalls, 0);
  EXPECT_EQ(got, 42u);
#endif
}

// Each load starts afresh from the settings and each unload ends the manager.
TEST_F(ModuleFolder, EachLoadStartsAfresh) {
  for (const bool server : {true, false, true}) {
    WriteSettings(server);
    Module m(plugin);
    EXPECT_EQ(ExtractsTheSample(m), server) << "a manager outlived its module's unload";
  }
}

#ifndef _WIN32
// Hosts load and unload the plug-in (and with it the server) again and again:
// nothing a load allocates may outlive its unload.
TEST_F(ModuleFolder, LoadAndUnloadCyclesDoNotGrowTheProcess) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer holds freed memory back; its leak check covers this";
#endif
  WriteSettings(true);
  auto residentKb = [] {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
      std::fclose(f);
    }
    return resident * 4;
  };
  for (int i = 0; i < 20; ++i) {
    Module m(plugin);
    ASSERT_TRUE(ExtractsTheSample(m));
  }
  const long before = residentKb();
  for (int i = 0; i < 300; ++i) {
    Module m(plugin);
    ASSERT_TRUE(ExtractsTheSample(m));
  }
  // 20 KB lost a cycle would be 6 MB; allocator noise stays far below 1 MB.
  EXPECT_LT(residentKb() - before, 1024) << "KB resident gained over 300 cycles";
}
#endif

#ifndef _WIN32
// With no settings naming a server, the registration beside the module leads
// to it.
TEST_F(ModuleFolder, FindsTheServerThroughTheRegistrationBesideIt) {
  const std::string handler = "{4E6A1D5B-0C3F-4A8E-9D71-2B6C5A10D43E}";
  const std::string clsid = "{F07F3920-7B8C-11CF-9BE8-00AA004B9986}";
  const std::string root = "\n[HKEY_CLASSES_ROOT\\";
  WriteBeside(".reg", "REGEDIT4\n" + root + ".doc\\PersistentHandler]\n@=\"" + handler + "\"\n" +
                          root + "CLSID\\" + handler +
                          "\\PersistentAddinsRegistered\\{89BCB740-6119-101A-BCB7-00DD010655AF}]"
                          "\n@=\"" +
                          clsid + "\"\n" + root + "CLSID\\" + clsid +
                          "\\InprocServer32]\n@=\"" DOCFLT_SERVER_FILE "\"\n");
  Module m(plugin);
  EXPECT_TRUE(ExtractsTheSample(m));
}

TEST_F(ModuleFolder, ThreadNotificationsAndHandlers) {
  GTEST_SKIP() << "shared objects get no thread notifications and install no exception handlers";
}
#else
// Runs a program of the Windows installation and waits for it; its exit code,
// or -1 when it could not be started.
long RunAndWait(std::string commandLine) {
  STARTUPINFOA si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return -1;
  }
  WaitForSingleObject(pi.hProcess, 120000);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<long>(code);
}

std::string DocHandler() {
  char value[260] = "";
  LONG cb = sizeof(value);
  return RegQueryValueA(HKEY_CLASSES_ROOT, ".doc\\PersistentHandler", value, &cb) == ERROR_SUCCESS
             ? value
             : std::string();
}

// The server registered by regsvr32 for as long as the object lives.
class Registration {
 public:
  explicit Registration(const std::string& server) {
    char full[MAX_PATH] = "";
    GetFullPathNameA(server.c_str(), MAX_PATH, full, nullptr);
    server_ = full;
    result = RunAndWait("regsvr32.exe /s \"" + server_ + "\"");
  }
  ~Registration() { Unregister(); }
  long Unregister() {
    if (server_.empty()) return 0;
    const long rc = RunAndWait("regsvr32.exe /u /s \"" + server_ + "\"");
    server_.clear();
    return rc;
  }
  long result = -1;

 private:
  std::string server_;
};

// The way a Windows user installs: regsvr32 registers the bundled server, and
// a plug-in with no settings file finds it through the registry. Its first load
// writes the default settings beside it, whose server name leads nowhere; once
// the server is unregistered, the load is refused.
TEST_F(ModuleFolder, FindsTheServerRegisteredByRegsvr32) {
  if (!DocHandler().empty()) GTEST_SKIP() << "this Windows already has a .doc filter registered";
  const std::string ini = fs::path(plugin).replace_extension(".ini").string();
  {
    Registration registration(DOCFLT_SERVER_FILE);
    ASSERT_EQ(registration.result, 0) << "regsvr32 failed";
    EXPECT_FALSE(DocHandler().empty());
    ASSERT_FALSE(routes::FileExists(ini));
    {
      Module m(plugin);
      EXPECT_TRUE(ExtractsTheSample(m));
    }
    std::string settings;
    ASSERT_TRUE(routes::ReadWholeFile(ini, &settings));
    EXPECT_NE(settings.find("[SETTINGS]\r\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("\r\nSERVERFILENAME=\r\n"), std::string::npos) << settings;
    {
      Module again(plugin);  // now with the default settings file beside it
      EXPECT_TRUE(ExtractsTheSample(again));
    }
    EXPECT_EQ(registration.Unregister(), 0) << "regsvr32 /u failed";
  }
  EXPECT_TRUE(DocHandler().empty());
  Module m(plugin);
  EXPECT_FALSE(m.loaded());
  EXPECT_EQ(m.loadError, static_cast<unsigned long>(ERROR_DLL_INIT_FAILED));
}

DWORD WINAPI ExtractOnThread(void* module) {
  return ExtractsTheSample(*static_cast<Module*>(module)) ? 0 : 1;
}
DWORD WINAPI WaitForEvent(void* event) { return WaitForSingleObject(event, 30000); }

// Threads that start and end while a stream is open, one of them started
// before the module was loaded: the manager and the stream serve on.
TEST_F(ModuleFolder, ThreadNotificationsLeaveTheManagerAlone) {
  WriteSettings(true);
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE early = CreateThread(nullptr, 0, WaitForEvent, release, 0, nullptr);
  {
    Module m(plugin);
    ASSERT_TRUE(m.loaded());
    e2e::Document open(kSample, false, CP_UTF8);
    ASSERT_EQ(m.create(&open.info), FLT_OK);
    HANDLE worker = CreateThread(nullptr, 0, ExtractOnThread, &m, 0, nullptr);
    WaitForSingleObject(worker, INFINITE);
    DWORD code = 1;
    GetExitCodeThread(worker, &code);
    EXPECT_EQ(code, 0u);
    SetEvent(release);
    WaitForSingleObject(early, INFINITE);
    char buf[4096];
    DWORD got = 0;
    EXPECT_EQ(m.read(&open.info, buf, sizeof(buf), &got), FLT_OK);
    EXPECT_NE(std::string(buf, got).find("Welcome to docflt"), std::string::npos);
    EXPECT_EQ(m.close(&open.info), FLT_OK);
    EXPECT_TRUE(ExtractsTheSample(m));
    CloseHandle(worker);
  }
  CloseHandle(early);
  CloseHandle(release);
}

constexpr DWORD kProbe = 0xE0F10001u;
int g_probesSeen = 0;
LONG CALLBACK CountProbe(EXCEPTION_POINTERS* info) {
  if (info->ExceptionRecord->ExceptionCode != kProbe) return EXCEPTION_CONTINUE_SEARCH;
  ++g_probesSeen;
  return EXCEPTION_CONTINUE_EXECUTION;
}

// Nothing the module hooked into the process outlives it: an exception raised
// after the unload must not be handed to the module's code.
TEST_F(ModuleFolder, UnloadLeavesNoHandlerBehind) {
  WriteSettings(true);
  {
    Module m(plugin);
    EXPECT_TRUE(ExtractsTheSample(m));
  }
  PVOID handler = AddVectoredExceptionHandler(0, CountProbe);
  RaiseException(kProbe, 0, 0, nullptr);
  RemoveVectoredExceptionHandler(handler);
  EXPECT_EQ(g_probesSeen, 1);
}
#endif

}  // namespace
