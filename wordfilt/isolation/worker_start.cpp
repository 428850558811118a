// Starting a worker in one go, the same on every platform: the two halves
// each platform's WorkerProcess provides, one after the other.
#ifdef _WIN32
#include "wordfilt/isolation/worker_process_win.h"
#else
#include "wordfilt/isolation/worker_process_posix.h"
#endif

namespace wordfilt {
namespace isolation {

std::unique_ptr<WorkerProcess> WorkerProcess::Start(const std::string& program,
                                                    const Settings& settings,
                                                    std::chrono::milliseconds startTimeout) {
  std::unique_ptr<WorkerProcess> worker = Spawn(program, settings);
  if (!worker || !worker->AwaitReady(startTimeout)) return nullptr;
  return worker;
}

}  // namespace isolation
}  // namespace wordfilt
