// Workers started on demand, one per document in flight up to a maximum, and
// reused; each document runs under the deadline of the settings. A worker that
// fails a document in any way is killed and reaped, never reused.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "wordfilt/doc/byte_buffer.h"
#include "wordfilt/isolation/protocol.h"
#include "wordfilt/isolation/settings.h"

namespace wordfilt {
namespace isolation {

class WorkerProcess;

enum class Failure {
  kNone,
  kStart,      // no worker could be started
  kTimedOut,   // the document took longer than the deadline
  kDied,       // the worker ended or closed its channel mid-document
  kMalformed,  // the worker's reply broke the protocol
  kTooLarge,   // the document needs more than the worker may hold
};

// An open file of this process: a descriptor, or on Windows a HANDLE.
#ifdef _WIN32
using FileRef = void*;
constexpr FileRef kNoFile = nullptr;
#else
using FileRef = int;
constexpr FileRef kNoFile = -1;
#endif

// What a worker is asked to read: an open file, or the streams of a storage
// (handed out one by one as the worker asks for them).
struct Job {
  FileRef file = kNoFile;
  std::uint64_t fileSize = 0;
  // For a storage: fills the buffer with the named stream, false when missing.
  std::function<bool(std::u16string_view name, ByteBuffer& out)> readStream;
  // For a file: a reply's text may stay where the worker left it, in memory
  // shared with it (DocumentText::held), instead of being copied out. That
  // worker's next replies then take the channel until the document goes.
  bool textInPlace = false;
};

class WorkerPool {
 public:
  WorkerPool(std::string program, Settings settings, unsigned maxWorkers);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Starts one worker without waiting for it: its start-up overlaps whatever
  // the caller does before the first document, which then finds it ready.
  void StartEarly();

  // Runs one document; on kNone *outcome and (for kOk) *doc hold the result.
  Failure Run(const Job& job, Outcome* outcome, DocumentText* doc);

  const Settings& settings() const { return settings_; }

 private:
  std::unique_ptr<WorkerProcess> Acquire();
  void Release(std::unique_ptr<WorkerProcess> worker);
  void Discard(std::unique_ptr<WorkerProcess> worker);
  Failure Converse(WorkerProcess& worker, const Job& job, bool* sent, Outcome* outcome,
                   DocumentText* doc);

  const std::string program_;
  const Settings settings_;
  const unsigned maxWorkers_;
  std::mutex mutex_;
  std::condition_variable freed_;
  std::vector<std::unique_ptr<WorkerProcess>> idle_;
  std::vector<std::unique_ptr<WorkerProcess>> starting_;  // spawned, not yet ready
  unsigned live_ = 0;                                     // idle and busy
  long long owner_;  // the process whose workers these are (ThisProcess)
};

}  // namespace isolation
}  // namespace wordfilt
