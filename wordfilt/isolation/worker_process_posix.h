// One worker process: started with its channel as descriptor 3 and its
// limits in place, killed and reaped when the object goes.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "wordfilt/isolation/channel_posix.h"
#include "wordfilt/isolation/settings.h"
#include "wordfilt/isolation/shared_region.h"

namespace wordfilt {
namespace isolation {

// This process's id, known without a system call; refreshed in the child
// when the host forks, where workers started before the fork are the
// parent's.
pid_t ThisProcess();

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

  int Socket() const { return socket_.Get(); }
  // Started by another process: a forked host's parent. Such a worker is
  // never given a document, nor killed here.
  bool Inherited() const { return spawner_ != ThisProcess(); }
  pid_t Pid() const { return pid_; }
  bool Sandboxed() const { return sandboxed_; }
  // Where this worker's replies are received, kept between documents (up to
  // a few MB) so that each long reply does not fault in fresh pages.
  ByteBuffer& ReplyBuffer() { return replies_; }
  // Where the worker leaves its replies to files; null when it could not
  // have one (it then replies on the channel).
  SharedRegion* Region() const { return region_.get(); }
  // The same, shared with whoever reads a reply's text in place.
  std::shared_ptr<SharedRegion> RegionShared() const { return region_; }
  // False when the idle worker has gone (closed its end) or sent something
  // nobody asked for: it must not be given a document.
  bool StillIdle() const;
  // Moves the worker to the processor the calling thread runs on, where the
  // caller sleeps while the worker parses: handing the document over and back
  // then wakes a process on the same processor instead of signalling another.
  void FollowCaller();
  // After handing the worker a document: gives the processor to it instead of
  // sleeping, for up to `budget`, while the caller still shares a processor
  // with it, so that its reply finds the caller awake. False when no reply
  // came. With `region`, the reply shows there first.
  bool YieldUntilReply(std::chrono::microseconds budget, const SharedRegion* region) const;

 private:
  WorkerProcess(pid_t pid, UniqueFd socket, std::shared_ptr<SharedRegion> region)
      : pid_(pid), socket_(std::move(socket)), region_(std::move(region)) {}
  pid_t pid_;
  pid_t spawner_ = ThisProcess();
  UniqueFd socket_;
  bool sandboxed_ = false;
  int cpu_ = -1;  // the processor the worker is held to, -1 for none
  ByteBuffer replies_;
  // Outlives the worker while a document's text lies in it.
  std::shared_ptr<SharedRegion> region_;
};

}  // namespace isolation
}  // namespace wordfilt
