#include "wordfilt/isolation/channel_win.h"

#include <algorithm>
#include <cstring>

namespace wordfilt {
namespace isolation {
namespace {

// Set in the type word of a header when a handle value (8 bytes) follows the
// header: the pipe's counterpart of a descriptor passed beside the bytes.
constexpr std::uint32_t kCarriesHandle = 0x80000000u;

DWORD MillisecondsLeft(const Deadline& deadline) {
  if (deadline.forever) return INFINITE;
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline.at - Clock::now()).count();
  if (left <= 0) return 0;
  return static_cast<DWORD>(std::min<long long>(left + 1, 0x7fffffff));
}

IoResult FromError(DWORD error) {
  switch (error) {
    case ERROR_BROKEN_PIPE:
    case ERROR_PIPE_NOT_CONNECTED:
    case ERROR_NO_DATA:
    case ERROR_HANDLE_EOF: return IoResult::kClosed;
    default: return IoResult::kFailed;
  }
}

// One overlapped read or write, waited for until the deadline; on timeout the
// transfer is cancelled and waited for, so that the buffer is free again.
IoResult Transfer(const Channel& channel, bool write, void* buffer, DWORD size,
                  const Deadline& deadline, DWORD* done) {
  *done = 0;
  const HANDLE pipe = channel.pipe;
  UniqueHandle own;
  if (!channel.event) {
    own.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!own.Valid()) return IoResult::kFailed;
  }
  OVERLAPPED ov{};
  ov.hEvent = channel.event ? channel.event : own.Get();  // reset by ReadFile and WriteFile
  const BOOL started = write ? WriteFile(pipe, buffer, size, nullptr, &ov)
                             : ReadFile(pipe, buffer, size, nullptr, &ov);
  if (!started) {
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) return FromError(error);
    if (WaitForSingleObject(ov.hEvent, MillisecondsLeft(deadline)) != WAIT_OBJECT_0) {
      CancelIo(pipe);
      GetOverlappedResult(pipe, &ov, done, TRUE);
      return IoResult::kTimedOut;
    }
  }
  if (!GetOverlappedResult(pipe, &ov, done, FALSE)) return FromError(GetLastError());
  return IoResult::kOk;
}

IoResult WriteAll(const Channel& channel, const void* data, std::size_t size,
                  const Deadline& deadline) {
  auto* p = static_cast<char*>(const_cast<void*>(data));
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20));
    DWORD done = 0;
    const IoResult r = Transfer(channel, true, p, chunk, deadline, &done);
    if (r != IoResult::kOk) return r;
    p += done;
    size -= done;
  }
  return IoResult::kOk;
}

IoResult ReadAll(const Channel& channel, void* data, std::size_t size, const Deadline& deadline) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20));
    DWORD done = 0;
    const IoResult r = Transfer(channel, false, p, chunk, deadline, &done);
    if (r != IoResult::kOk) return r;
    p += done;
    size -= done;
  }
  return IoResult::kOk;
}

IoResult Send(const Channel& channel, std::uint32_t type, std::uint32_t length, const void* prefix,
              std::size_t prefixSize, const void* payload, std::size_t size,
              const Deadline& deadline, HANDLE passFile) {
  // Header, handle value and prefix go out in one write: small messages stay one transfer.
  unsigned char head[8 + 8 + 4];
  std::size_t headSize = 8;
  if (passFile) {
    HANDLE remote = nullptr;
    if (!channel.peer || !DuplicateHandle(GetCurrentProcess(), passFile, channel.peer, &remote,
                                          GENERIC_READ, FALSE, 0)) {
      return IoResult::kFailed;
    }
    type |= kCarriesHandle;
    const std::uint64_t value = reinterpret_cast<std::uintptr_t>(remote);
    std::memcpy(head + 8, &value, 8);
    headSize += 8;
  }
  std::memcpy(head, &type, 4);
  std::memcpy(head + 4, &length, 4);
  if (prefixSize) {
    std::memcpy(head + headSize, prefix, prefixSize);
    headSize += prefixSize;
  }
  IoResult r = WriteAll(channel, head, headSize, deadline);
  if (r == IoResult::kOk && size) r = WriteAll(channel, payload, size, deadline);
  return r;
}

}  // namespace

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& other) noexcept {
  if (this != &other) Reset(other.Release());
  return *this;
}

void UniqueHandle::Reset(HANDLE h) {
  if (Valid()) CloseHandle(h_);
  h_ = h;
}

IoResult SendMessage(const Channel& channel, MessageType type, const void* payload,
                     std::size_t size, const Deadline& deadline, HANDLE passFile) {
  if (size > UINT32_MAX) return IoResult::kFailed;
  return Send(channel, static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(size), nullptr,
              0, payload, size, deadline, passFile);
}

IoResult SendMessage2(const Channel& channel, MessageType type, std::uint32_t word,
                      const void* payload, std::size_t size, const Deadline& deadline) {
  if (size > UINT32_MAX - 4) return IoResult::kFailed;
  return Send(channel, static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(size + 4),
              &word, 4, payload, size, deadline, nullptr);
}

IoResult ReceiveMessage(const Channel& channel, const Deadline& deadline, std::size_t maxPayload,
                        MessageType* type, ByteBuffer* payload, UniqueHandle* receivedFile) {
  std::uint32_t header[2] = {};
  IoResult r = ReadAll(channel, header, sizeof header, deadline);
  if (r != IoResult::kOk) return r;
  if (header[0] & kCarriesHandle) {
    if (!receivedFile) return IoResult::kMalformed;
    std::uint64_t value = 0;
    r = ReadAll(channel, &value, sizeof value, deadline);
    if (r != IoResult::kOk) return r;
    receivedFile->Reset(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value)));
    header[0] &= ~kCarriesHandle;
  }
  if (header[1] > maxPayload) return IoResult::kMalformed;
  *type = static_cast<MessageType>(header[0]);
  try {
    payload->resize(header[1]);
  } catch (...) {
    return IoResult::kFailed;
  }
  if (header[1] == 0) return IoResult::kOk;
  return ReadAll(channel, payload->data(), payload->size(), deadline);
}

IoResult WriteRaw(HANDLE pipe, const void* data, std::size_t size, const Deadline& deadline) {
  return WriteAll(Channel{pipe, nullptr, nullptr}, data, size, deadline);
}

}  // namespace isolation
}  // namespace wordfilt
