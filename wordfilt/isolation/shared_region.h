// Memory shared by the module and one worker, where the worker leaves its
// reply to a file for the module to decode in place. While the module is
// awake (giving its processor to the worker) the reply needs no message: one
// word of state says it is there. Only a module that went to sleep on the
// channel is woken by a message. The worker may write any of it at any time:
// the module reads the state and the size once each and decodes the bytes
// with a decoder that reads every field once.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/prefault.h"
#include "wordfilt/isolation/protocol.h"

namespace wordfilt {
namespace isolation {

// Where the reply to the document in hand is, as one word both sides change.
enum class SharedState : std::uint32_t {
  kPending = 0,       // the module handed a document over and waits awake
  kModuleSleeps = 1,  // the module waits on the channel: a reply must wake it
  kInRegion = 2,      // the reply lies in the region
  kOnChannel = 3,     // the reply did not fit: it comes as a message
};

// Replies up to this size go through the region; larger ones through the channel.
constexpr std::size_t kSharedReplyBytes = std::size_t(4) << 20;

class SharedRegion {
 public:
  // The module's end: a new region whose descriptor (Fd) the worker inherits;
  // null where the system has none to give.
  static std::unique_ptr<SharedRegion> Create();
  // The worker's end, from the descriptor it inherited (closed here); null
  // when it is not a region of the expected size.
  static std::unique_ptr<SharedRegion> Attach(int fd);
  ~SharedRegion();
  SharedRegion(const SharedRegion&) = delete;
  SharedRegion& operator=(const SharedRegion&) = delete;

  int Fd() const { return fd_; }
  void CloseFd();

  // Module: before handing a document over.
  void Arm() { Control().state.store(Raw(SharedState::kPending), std::memory_order_relaxed); }
  // Module: before handing a document over while the region is leased: the
  // worker must leave it alone and reply on the channel.
  void ArmForChannel() {
    Control().state.store(Raw(SharedState::kOnChannel), std::memory_order_relaxed);
  }
  // Worker: whether the module wants the reply here.
  bool Wanted() const { return Peek() != SharedState::kOnChannel; }

  // Module: a reply's text read in place keeps the region leased until the
  // document lets go of it; meanwhile the worker is sent documents armed for
  // the channel. Any thread may end a lease.
  bool Leased() const { return leased_.load(std::memory_order_acquire); }
  void Lease() { leased_.store(true, std::memory_order_release); }
  void EndLease() { leased_.store(false, std::memory_order_release); }
  SharedState Peek() const {
    return static_cast<SharedState>(Control().state.load(std::memory_order_acquire));
  }
  // Module: about to sleep on the channel. Returns kModuleSleeps when it may
  // (the worker will send a message), else the state that made it needless.
  SharedState Sleep() {
    std::uint32_t expected = Raw(SharedState::kPending);
    if (Control().state.compare_exchange_strong(expected, Raw(SharedState::kModuleSleeps),
                                                std::memory_order_acq_rel)) {
      return SharedState::kModuleSleeps;
    }
    return static_cast<SharedState>(expected);
  }
  // Module: the reply's bytes, once the state says kInRegion; false when the
  // size the worker wrote is beyond the region.
  bool Reply(const std::uint8_t** data, std::size_t* size) {
    const std::uint64_t n = Control().bytes.load(std::memory_order_relaxed);
    if (n > kSharedReplyBytes) return false;
    *data = Data();
    *size = static_cast<std::size_t>(n);
    // Pages the worker wrote are mapped here on first read: all at once.
    if (*size > mapped_) {
      platform::PrefaultForRead(Data() + mapped_, *size - mapped_);
      mapped_ = *size;
    }
    return true;
  }

  // Worker: copies the reply in; false when it does not fit.
  bool Write(const ReplyParts& reply);
  // Worker: says where the reply is; true when the module sleeps and must be
  // sent a message.
  bool Publish(SharedState where) {
    return Control().state.exchange(Raw(where), std::memory_order_acq_rel) ==
           Raw(SharedState::kModuleSleeps);
  }

 private:
  struct Header {
    std::atomic<std::uint32_t> state;
    std::uint32_t reserved;
    std::atomic<std::uint64_t> bytes;
  };
  static_assert(std::atomic<std::uint32_t>::is_always_lock_free &&
                    std::atomic<std::uint64_t>::is_always_lock_free,
                "the state words are shared between processes");
  static constexpr std::size_t kDataOffset = 64;

  SharedRegion(void* base, int fd) : base_(static_cast<std::uint8_t*>(base)), fd_(fd) {}
  static std::uint32_t Raw(SharedState s) { return static_cast<std::uint32_t>(s); }
  Header& Control() const { return *reinterpret_cast<Header*>(base_); }
  std::uint8_t* Data() const { return base_ + kDataOffset; }
  static std::size_t MappedBytes();

  std::uint8_t* base_;
  int fd_;
  std::size_t mapped_ = 0;           // how much of the data is known to be mapped here
  std::atomic<bool> leased_{false};  // the module's own: never in the shared memory
};

// Held by a document whose text lies in the region: keeps it mapped (after
// its worker is gone, too) and keeps the worker's replies out of it.
class RegionLease {
 public:
  explicit RegionLease(std::shared_ptr<SharedRegion> region) : region_(std::move(region)) {
    region_->Lease();
  }
  ~RegionLease() { region_->EndLease(); }
  RegionLease(const RegionLease&) = delete;
  RegionLease& operator=(const RegionLease&) = delete;

 private:
  std::shared_ptr<SharedRegion> region_;
};

}  // namespace isolation
}  // namespace wordfilt
