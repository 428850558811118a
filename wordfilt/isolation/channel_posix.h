// The framed messages of protocol.h over a connected stream socket, with an
// open file passed beside a message where one is needed.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "wordfilt/doc/byte_buffer.h"
#include "wordfilt/isolation/deadline.h"
#include "wordfilt/isolation/protocol.h"

namespace wordfilt {
namespace isolation {

// Owns a file descriptor.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }
  int Get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd = -1);

 private:
  int fd_ = -1;
};

// Sends one message; passFd (when not -1) travels with its first byte.
IoResult SendMessage(int socket, MessageType type, const void* payload, std::size_t size,
                     const Deadline& deadline, int passFd = -1);
// Sends a message whose payload is the parts of `reply`, one after another.
IoResult SendReply(int socket, MessageType type, const ReplyParts& reply, const Deadline& deadline);
// Sends a message whose payload is a 4-byte word followed by `size` bytes.
IoResult SendMessage2(int socket, MessageType type, std::uint32_t word, const void* payload,
                      std::size_t size, const Deadline& deadline);

// Where a receiver without a deadline waits for a message: in poll, which
// only the message wakes, or in the read itself, one call fewer, which the
// kernel also wakes each time the other end takes data out of the socket
// (for a receiver whose last messages the other end has read already).
enum class WaitIn { kPoll, kRead };

// Receives one message of at most maxPayload bytes (kMalformed beyond that).
// A file passed with it lands in *receivedFd (close-on-exec); a message that
// carries one when receivedFd is null is kMalformed.
IoResult ReceiveMessage(int socket, const Deadline& deadline, std::size_t maxPayload,
                        MessageType* type, ByteBuffer* payload, UniqueFd* receivedFd = nullptr,
                        WaitIn waitIn = WaitIn::kPoll);

}  // namespace isolation
}  // namespace wordfilt
