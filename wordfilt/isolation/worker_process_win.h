// One worker process (Windows): started with the name of its pipe, in a job
// object of its own that caps its memory and kills it when the job's handle
// closes; killed and waited for when the object goes.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "wordfilt/isolation/channel_win.h"
#include "wordfilt/isolation/settings.h"
#include "wordfilt/isolation/shared_region.h"

namespace wordfilt {
namespace isolation {

// Windows processes do not fork: every worker is this process's own.
inline int ThisProcess() { return 0; }

class WorkerProcess {
 public:
  // Starts the program and waits (up to startTimeout) for its ready message;
  // null when it cannot be started or never reports ready.
  static std::unique_ptr<WorkerProcess> Start(const std::string& program, const Settings& settings,
                                              std::chrono::milliseconds startTimeout);
  // Start in two halves, so that a worker can start while the caller goes on:
  // Spawn starts the program (null when it cannot), AwaitReady waits for its
  // ready message; a worker is given documents only after AwaitReady.
  static std::unique_ptr<WorkerProcess> Spawn(const std::string& program, const Settings& settings);
  bool AwaitReady(std::chrono::milliseconds startTimeout);
  ~WorkerProcess();
  WorkerProcess(const WorkerProcess&) = delete;
  WorkerProcess& operator=(const WorkerProcess&) = delete;

  Channel Socket() const { return Channel{pipe_.Get(), process_.Get(), event_.Get()}; }
  DWORD Pid() const { return pid_; }
  // Where this worker's replies are received, kept between documents (up to
  // a few MB) so that each long reply does not fault in fresh pages.
  ByteBuffer& ReplyBuffer() { return replies_; }
  // Whether the job object holds the memory limit (systems that refuse it
  // leave the worker's own allocation cap).
  bool MemoryLimitedByJob() const { return jobLimitsMemory_; }
  // False when the idle worker has gone or sent something nobody asked for.
  bool StillIdle() const;
  // Nothing to do here: the round-trip tuning of the POSIX worker is Linux's.
  void FollowCaller() {}
  bool YieldUntilReply(std::chrono::microseconds, const SharedRegion*) const { return false; }
  // Replies come through the pipe only.
  SharedRegion* Region() const { return nullptr; }
  std::shared_ptr<SharedRegion> RegionShared() const { return nullptr; }

 private:
  WorkerProcess() = default;
  UniqueHandle job_;
  UniqueHandle process_;
  UniqueHandle pipe_;
  UniqueHandle event_;  // for the pipe's transfers
  DWORD pid_ = 0;
  bool jobLimitsMemory_ = false;
  ByteBuffer replies_;
};

}  // namespace isolation
}  // namespace wordfilt
