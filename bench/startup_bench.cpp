// Manager start-up as the module-load hook runs it: settings file beside the
// plug-in module, "offfilt.dll" tried and missing, the server found through the
// registration file, loaded, its factory checked and one instance probed; then
// shutdown. Build definitions: STARTUP_BENCH_SERVER (a filter server module)
// and STARTUP_BENCH_PLUGIN (any loadable module, copied to stand in for the
// plug-in file). POSIX only.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/registry.h"
#include "server/fltdll.h"

namespace {

namespace fs = std::filesystem;

class StartupSetup {
 public:
  StartupSetup() {
    dir_ = fs::temp_directory_path() / ("docflt-startup-bench-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    fs::copy_file(STARTUP_BENCH_PLUGIN, dir_ / "docflt.plg", fs::copy_options::overwrite_existing);
    plugin_ = dlopen((dir_ / "docflt.plg").c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  ~StartupSetup() {
    platform::SetRegistrationFile(nullptr);
    if (plugin_) dlclose(plugin_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  // Registers the server at this path for ".DOC".
  void Register(const std::string& server) {
    std::ofstream(dir_ / "docflt.reg", std::ios::binary | std::ios::trunc)
        << "REGEDIT4\r\n\r\n"
           "[HKEY_CLASSES_ROOT\\.doc\\PersistentHandler]\r\n@=\"{98DE59A0-0000-4000-8000-"
           "0000000000AA}\"\r\n"
           "[HKEY_CLASSES_ROOT\\CLSID\\{98DE59A0-0000-4000-8000-0000000000AA}"
           "\\PersistentAddinsRegistered\\"
           "{89BCB740-6119-101A-BCB7-00DD010655AF}]\r\n@=\"{98DE59A0-0000-4000-8000-0000000000AB}"
           "\"\r\n"
           "[HKEY_CLASSES_ROOT\\CLSID\\{98DE59A0-0000-4000-8000-0000000000AB}\\InprocServer32]\r\n@"
           "=\""
        << server << "\"\r\n";
    platform::SetRegistrationFile((dir_ / "docflt.reg").c_str());
  }
  void* plugin() const { return plugin_; }
  const fs::path& dir() const { return dir_; }

 private:
  fs::path dir_;
  void* plugin_ = nullptr;
};

// The server library already loaded: what start-up costs besides the loader.
void BM_StartupServerLoaded(benchmark::State& state) {
  StartupSetup setup;
  setup.Register(STARTUP_BENCH_SERVER);
  for (auto _ : state) {
    CFltdll manager;
    if (manager.Init("DOC\0DOT\0", setup.plugin()) != 1) state.SkipWithError("start-up failed");
  }
}
BENCHMARK(BM_StartupServerLoaded)->Unit(benchmark::kMicrosecond);

// A fresh copy of the server library each time, so that the loader maps and
// relocates it as on the first start of a process.
void BM_StartupFirstLoad(benchmark::State& state) {
  StartupSetup setup;
  int copy = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::path server = setup.dir() / ("server" + std::to_string(copy++) + ".so");
    fs::copy_file(STARTUP_BENCH_SERVER, server);
    setup.Register(server.string());
    state.ResumeTiming();
    CFltdll manager;
    if (manager.Init("DOC\0DOT\0", setup.plugin()) != 1) state.SkipWithError("start-up failed");
  }
}
BENCHMARK(BM_StartupFirstLoad)->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
