// The framed messages of protocol.h over an overlapped named pipe (Windows),
// with an open file passed beside a message where one is needed. Overlapped
// I/O is what lets every read and write wait with a deadline.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "wordfilt/doc/byte_buffer.h"
#include "wordfilt/isolation/deadline.h"
#include "wordfilt/isolation/protocol.h"

namespace wordfilt {
namespace isolation {

// Owns a handle; null and INVALID_HANDLE_VALUE both mean none.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h) {}
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept;
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }
  HANDLE Get() const { return h_; }
  bool Valid() const { return h_ && h_ != INVALID_HANDLE_VALUE; }
  HANDLE Release() {
    HANDLE h = h_;
    h_ = nullptr;
    return h;
  }
  void Reset(HANDLE h = nullptr);

 private:
  HANDLE h_ = nullptr;
};

// One end of the pipe (opened for overlapped I/O); on the module's side the
// worker process, into which a passed file is duplicated; and a manual-reset
// event for the transfers, one at a time (null: one is made per transfer).
struct Channel {
  HANDLE pipe = nullptr;
  HANDLE peer = nullptr;
  HANDLE event = nullptr;
};

// Sends one message. passFile (when not null) is duplicated into the peer
// process, read-only, and its value travels with the message; from then on
// the peer owns it.
IoResult SendMessage(const Channel& channel, MessageType type, const void* payload,
                     std::size_t size, const Deadline& deadline, HANDLE passFile = nullptr);
// Sends a message whose payload is a 4-byte word followed by `size` bytes.
IoResult SendMessage2(const Channel& channel, MessageType type, std::uint32_t word,
                      const void* payload, std::size_t size, const Deadline& deadline);

// Receives one message of at most maxPayload bytes (kMalformed beyond that).
// A file passed with it lands in *receivedFile; a message that carries one
// when receivedFile is null is kMalformed (its value is never touched).
IoResult ReceiveMessage(const Channel& channel, const Deadline& deadline, std::size_t maxPayload,
                        MessageType* type, ByteBuffer* payload,
                        UniqueHandle* receivedFile = nullptr);

// Writes raw bytes (test workers that break the framing on purpose).
IoResult WriteRaw(HANDLE pipe, const void* data, std::size_t size, const Deadline& deadline);

}  // namespace isolation
}  // namespace wordfilt
