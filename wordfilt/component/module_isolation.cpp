#include <memory>
#include <mutex>
#include <thread>

#include "wordfilt/component/isolated_load.h"
#include "wordfilt/isolation/settings.h"
#include "wordfilt/isolation/worker_pool.h"

namespace wordfilt {
namespace {

std::once_flag g_started;
// Destroyed when the module unloads: every worker is killed and reaped.
std::unique_ptr<isolation::WorkerPool> g_pool;

std::string WorkerPathBeside(const std::string& modulePath) {
  const std::size_t slash = modulePath.find_last_of("/\\");
  const std::string dir = slash == std::string::npos ? "" : modulePath.substr(0, slash + 1);
#ifdef _WIN32
  return dir + "wordfilt-worker.exe";
#else
  return dir + "wordfilt-worker";
#endif
}

}  // namespace

void StartModuleIsolation(const std::string& modulePath) noexcept {
  try {
    std::call_once(g_started, [&] {
      const isolation::Settings settings =
          isolation::ReadSettings(isolation::SettingsPathFor(modulePath));
      if (settings.isolated) {
        const unsigned cpus = std::thread::hardware_concurrency();
        g_pool.reset(
            new isolation::WorkerPool(WorkerPathBeside(modulePath), settings, cpus ? cpus : 2));
#ifndef _WIN32
        // The first worker starts now, while the host finishes its own set-up
        // (the plug-in asks for the factory at load). Not on Windows, where
        // this runs under the loader lock, which starting a process must not.
        g_pool->StartEarly();
#endif
      }
    });
  } catch (...) {
    // Without a pool documents are parsed here, as before.
  }
}

isolation::WorkerPool* ModuleWorkers() noexcept { return g_pool.get(); }

}  // namespace wordfilt
