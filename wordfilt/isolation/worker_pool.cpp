#include "wordfilt/isolation/worker_pool.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#ifdef _WIN32
#include "wordfilt/isolation/channel_win.h"
#include "wordfilt/isolation/worker_process_win.h"
#else
#include "wordfilt/isolation/channel_posix.h"
#include "wordfilt/isolation/worker_process_posix.h"
#endif
#include "wordfilt/isolation/shared_region.h"

namespace wordfilt {
namespace isolation {
namespace {

constexpr std::chrono::milliseconds kStartTimeout{10000};
// The parser reads a handful of streams per document, and per embedded
// document (at most 16 + 16 * 4 + 64 * 1 of them); a worker asking for more
// is looping.
constexpr int kMaxStreamRequests = 1024;
// How long a caller gives its processor to the worker before it sleeps: most
// documents are parsed within it, and a reply to a caller that did not sleep
// needs no wake-up (costly on virtual machines, tens of microseconds).
constexpr std::chrono::microseconds kYieldBudget{1000};
// Replies up to this size are received into memory kept from the last one.
constexpr std::size_t kKeptReplyBytes = std::size_t(4) << 20;

Failure FromIo(IoResult r) {
  switch (r) {
    case IoResult::kOk: return Failure::kNone;
    case IoResult::kTimedOut: return Failure::kTimedOut;
    case IoResult::kMalformed: return Failure::kMalformed;
    case IoResult::kClosed:
    case IoResult::kFailed:
    default: return Failure::kDied;
  }
}

Failure DecodeShared(const WorkerProcess& worker, bool inPlace, Outcome* outcome,
                     DocumentText* doc) {
  SharedRegion& region = *worker.Region();
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  if (!region.Reply(&data, &size)) return Failure::kMalformed;
  std::u16string_view text;
  if (!DecodeResult(data, size, outcome, doc, inPlace ? &text : nullptr))
    return Failure::kMalformed;
  if (!text.empty()) {
    doc->held = std::make_shared<RegionLease>(worker.RegionShared());
    doc->heldText = text;
  }
  return Failure::kNone;
}

}  // namespace

WorkerPool::WorkerPool(std::string program, Settings settings, unsigned maxWorkers)
    : program_(std::move(program)),
      settings_(settings),
      maxWorkers_(maxWorkers ? maxWorkers : 1),
      owner_(ThisProcess()) {}

WorkerPool::~WorkerPool() {
  std::lock_guard<std::mutex> lock(mutex_);
  idle_.clear();  // each worker is killed and reaped
  starting_.clear();
}

void WorkerPool::StartEarly() {
  std::unique_ptr<WorkerProcess> worker = WorkerProcess::Spawn(program_, settings_);
  if (!worker) return;  // the first document tries again, and reports it
  std::lock_guard<std::mutex> lock(mutex_);
  if (live_ >= maxWorkers_) return;
  ++live_;
  starting_.push_back(std::move(worker));
}

std::unique_ptr<WorkerProcess> WorkerPool::Acquire() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (owner_ != ThisProcess()) {
    // The host forked: the workers are its parent's, busy ones included, and
    // talking to them would cross the parent's documents. Let go of them
    // (without killing them) and start this process's own.
    owner_ = ThisProcess();
    idle_.clear();
    starting_.clear();
    live_ = 0;
  }
  for (;;) {
    while (!idle_.empty()) {
      // The last one in whose region is free: its reply can stay there.
      auto free = std::find_if(idle_.rbegin(), idle_.rend(), [](const auto& w) {
        return !w->Region() || !w->Region()->Leased();
      });
      auto pick = free == idle_.rend() ? idle_.end() - 1 : std::prev(free.base());
      std::unique_ptr<WorkerProcess> worker = std::move(*pick);
      idle_.erase(pick);
      if (worker->StillIdle()) return worker;
      --live_;  // died or misbehaved while idle; reaped as it goes
    }
    if (!starting_.empty()) {
      std::unique_ptr<WorkerProcess> worker = std::move(starting_.back());
      starting_.pop_back();
      lock.unlock();
      if (worker->AwaitReady(kStartTimeout)) return worker;
      worker.reset();  // killed and reaped; a fresh one is started below
      lock.lock();
      --live_;
      continue;
    }
    if (live_ < maxWorkers_) break;
    freed_.wait(lock);
  }
  ++live_;
  lock.unlock();
  std::unique_ptr<WorkerProcess> worker = WorkerProcess::Start(program_, settings_, kStartTimeout);
  if (!worker) {
    lock.lock();
    --live_;
    freed_.notify_one();
  }
  return worker;
}

void WorkerPool::Release(std::unique_ptr<WorkerProcess> worker) {
  std::lock_guard<std::mutex> lock(mutex_);
  idle_.push_back(std::move(worker));
  freed_.notify_one();
}

void WorkerPool::Discard(std::unique_ptr<WorkerProcess> worker) {
  worker.reset();  // killed and reaped before its place is freed
  std::lock_guard<std::mutex> lock(mutex_);
  --live_;
  freed_.notify_one();
}

Failure WorkerPool::Run(const Job& job, Outcome* outcome, DocumentText* doc) {
  // A reused worker may have gone since it was checked; one that fails before
  // it has the document is replaced once, without cost to the document.
  for (int attempt = 0;; ++attempt) {
    std::unique_ptr<WorkerProcess> worker = Acquire();
    if (!worker) return Failure::kStart;
    bool sent = false;
    Failure failure;
    try {
      failure = Converse(*worker, job, &sent, outcome, doc);
    } catch (...) {
      // Out of memory here, or a stream reader that threw: the worker is in
      // the middle of a document and its place must be freed, or the pool
      // would wait for it for ever once every place was lost this way.
      Discard(std::move(worker));
      throw;
    }
    if (failure == Failure::kNone) {
      Release(std::move(worker));
      return failure;
    }
    Discard(std::move(worker));
    if (sent || attempt > 0) return failure;
  }
}

Failure WorkerPool::Converse(WorkerProcess& worker, const Job& job, bool* sent, Outcome* outcome,
                             DocumentText* doc) {
  const auto socket = worker.Socket();
  const Deadline deadline = Deadline::In(std::chrono::seconds(settings_.timeoutSeconds));
  const std::size_t memoryLimit = std::size_t(settings_.memoryLimitMiB) << 20;
  worker.FollowCaller();
  // A reply to a file comes through the worker's shared region where it has
  // one; storages keep to the channel, which carries their streams.
  SharedRegion* region = job.file != kNoFile ? worker.Region() : nullptr;
  if (region && region->Leased()) {
    region->ArmForChannel();  // a document still reads an earlier text there
    region = nullptr;
  }
  if (region) region->Arm();
  IoResult io;
  if (job.file != kNoFile) {
    io = SendMessage(socket, MessageType::kParseFile, &job.fileSize, sizeof job.fileSize, deadline,
                     job.file);
  } else {
    io = SendMessage(socket, MessageType::kParseStorage, nullptr, 0, deadline);
  }
  if (io != IoResult::kOk) return FromIo(io);
  *sent = true;
  worker.YieldUntilReply(kYieldBudget, region);
  if (region) {
    switch (region->Sleep()) {
      case SharedState::kInRegion: return DecodeShared(worker, job.textInPlace, outcome, doc);
      case SharedState::kModuleSleeps:  // woken by a message below
      case SharedState::kOnChannel: break;
      default: return Failure::kMalformed;
    }
  }
  MessageType type{};
  ByteBuffer& payload = worker.ReplyBuffer();
  ByteBuffer stream;
  for (int requests = 0;;) {
    io = ReceiveMessage(socket, deadline, kMaxResultBytes, &type, &payload);
    if (io != IoResult::kOk) return FromIo(io);
    if (type == MessageType::kResult) break;
    if (type == MessageType::kResultShared && region && payload.empty() &&
        region->Peek() == SharedState::kInRegion) {
      return DecodeShared(worker, job.textInPlace, outcome, doc);
    }
    if (type != MessageType::kStreamRequest || job.file != kNoFile || !job.readStream ||
        ++requests > kMaxStreamRequests || payload.size() % 2 != 0 ||
        payload.size() / 2 > kMaxStreamNameUnits) {
      return Failure::kMalformed;
    }
    std::u16string name(payload.size() / 2, u'\0');
    if (!payload.empty()) std::memcpy(&name[0], payload.data(), payload.size());
    const bool found = job.readStream(name, stream);
    if (found && stream.size() > memoryLimit) return Failure::kTooLarge;
    io = SendMessage2(socket, MessageType::kStreamData, found ? 1 : 0, stream.data(),
                      found ? stream.size() : 0, deadline);
    if (io != IoResult::kOk) return FromIo(io);
  }
  stream = ByteBuffer();
  const bool decoded = DecodeResult(payload.data(), payload.size(), outcome, doc);
  if (payload.capacity() > kKeptReplyBytes) ByteBuffer().swap(payload);
  return decoded ? Failure::kNone : Failure::kMalformed;
}

}  // namespace isolation
}  // namespace wordfilt
