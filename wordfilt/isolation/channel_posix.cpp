#include "wordfilt/isolation/channel_posix.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace wordfilt {
namespace isolation {
namespace {

constexpr std::size_t kInlinePayloadBytes = 4096 - 8;

// Waits until the socket is ready for `events`; false on timeout or error.
IoResult WaitFor(int socket, short events, const Deadline& deadline) {
  for (;;) {
    int timeout = -1;
    if (!deadline.forever) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline.at - Clock::now());
      if (left.count() <= 0) return IoResult::kTimedOut;
      timeout = static_cast<int>(std::min<long long>(left.count() + 1, 1 << 30));
    }
    pollfd p{socket, events, 0};
    const int n = poll(&p, 1, timeout);
    if (n > 0) return IoResult::kOk;  // errors and hang-ups show in the call that follows
    if (n == 0) continue;             // recheck the clock
    if (errno != EINTR) return IoResult::kFailed;
  }
}

IoResult SendAll(int socket, iovec* iov, int count, const Deadline& deadline, int passFd) {
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
  while (count > 0) {
    msghdr msg{};
    msg.msg_iov = iov;
    msg.msg_iovlen = static_cast<decltype(msg.msg_iovlen)>(count);
    if (passFd >= 0) {
      std::memset(control, 0, sizeof control);
      msg.msg_control = control;
      msg.msg_controllen = sizeof control;
      cmsghdr* c = CMSG_FIRSTHDR(&msg);
      c->cmsg_level = SOL_SOCKET;
      c->cmsg_type = SCM_RIGHTS;
      c->cmsg_len = CMSG_LEN(sizeof(int));
      std::memcpy(CMSG_DATA(c), &passFd, sizeof(int));
    }
    const ssize_t n = sendmsg(socket, &msg, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        const IoResult wait = WaitFor(socket, POLLOUT, deadline);
        if (wait != IoResult::kOk) return wait;
        continue;
      }
      return errno == EPIPE || errno == ECONNRESET ? IoResult::kClosed : IoResult::kFailed;
    }
    passFd = -1;  // sent with the first byte
    auto done = static_cast<std::size_t>(n);
    while (count > 0 && done >= iov->iov_len) {
      done -= iov->iov_len;
      ++iov;
      --count;
    }
    if (count > 0) {
      iov->iov_base = static_cast<char*>(iov->iov_base) + done;
      iov->iov_len -= done;
    }
  }
  return IoResult::kOk;
}

// Reads at least `least` and at most `most` bytes, the count in *got; a file
// passed with them goes to *fd. It reads what is there and waits in poll only
// when nothing is: a reader blocked in recvmsg is also woken each time the
// other end takes data out of the socket, a switch between the processes for
// nothing; poll is not. With `block`, the first read waits itself (one call
// where nothing is taken out of the socket meanwhile).
IoResult ReceiveAtLeast(int socket, void* buffer, std::size_t least, std::size_t most,
                        const Deadline& deadline, UniqueFd* fd, bool* gotFd, std::size_t* got,
                        bool block = false) {
  auto* p = static_cast<char*>(buffer);
  int flags = block ? MSG_CMSG_CLOEXEC : MSG_DONTWAIT | MSG_CMSG_CLOEXEC;
  *got = 0;
  while (*got < least) {
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)];
    iovec iov{p + *got, most - *got};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    const ssize_t n = recvmsg(socket, &msg, flags);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        const IoResult wait = WaitFor(socket, POLLIN, deadline);
        if (wait != IoResult::kOk) return wait;
        continue;
      }
      return errno == ECONNRESET ? IoResult::kClosed : IoResult::kFailed;
    }
    // Every file that arrives is owned at once, wanted or not.
    bool malformed = (msg.msg_flags & MSG_CTRUNC) != 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
      if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) continue;
      const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
      for (std::size_t i = 0; i < count; ++i) {
        int received = -1;
        std::memcpy(&received, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
        UniqueFd owned(received);
        if (fd && !*gotFd) {
          *fd = std::move(owned);
          *gotFd = true;
        } else {
          malformed = true;
        }
      }
    }
    if (malformed) return IoResult::kMalformed;
    if (n == 0) return IoResult::kClosed;
    *got += static_cast<std::size_t>(n);
    flags |= MSG_DONTWAIT;
  }
  return IoResult::kOk;
}

IoResult ReceiveAll(int socket, void* buffer, std::size_t size, const Deadline& deadline,
                    UniqueFd* fd, bool* gotFd) {
  std::size_t got = 0;
  return ReceiveAtLeast(socket, buffer, size, size, deadline, fd, gotFd, &got);
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) Reset(other.Release());
  return *this;
}

void UniqueFd::Reset(int fd) {
  if (fd_ >= 0) close(fd_);
  fd_ = fd;
}

IoResult SendMessage(int socket, MessageType type, const void* payload, std::size_t size,
                     const Deadline& deadline, int passFd) {
  if (size > UINT32_MAX) return IoResult::kFailed;
  std::uint32_t header[2] = {static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(size)};
  iovec iov[2] = {{header, sizeof header}, {const_cast<void*>(payload), size}};
  return SendAll(socket, iov, size ? 2 : 1, deadline, passFd);
}

IoResult SendReply(int socket, MessageType type, const ReplyParts& reply,
                   const Deadline& deadline) {
  const std::size_t size = reply.Bytes();
  if (size > UINT32_MAX) return IoResult::kFailed;
  std::uint32_t header[2] = {static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(size)};
  iovec iov[4] = {{header, sizeof header}};
  int count = 1;
  const auto add = [&](const void* data, std::size_t n) {
    if (n) iov[count++] = {const_cast<void*>(data), n};
  };
  add(reply.head.data(), reply.head.size());
  add(reply.text, reply.textBytes);
  add(reply.tail.data(), reply.tail.size());
  return SendAll(socket, iov, count, deadline, -1);
}

IoResult SendMessage2(int socket, MessageType type, std::uint32_t word, const void* payload,
                      std::size_t size, const Deadline& deadline) {
  if (size > UINT32_MAX - 4) return IoResult::kFailed;
  std::uint32_t header[3] = {static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(size + 4),
                             word};
  iovec iov[2] = {{header, sizeof header}, {const_cast<void*>(payload), size}};
  return SendAll(socket, iov, size ? 2 : 1, deadline, -1);
}

IoResult ReceiveMessage(int socket, const Deadline& deadline, std::size_t maxPayload,
                        MessageType* type, ByteBuffer* payload, UniqueFd* receivedFd,
                        WaitIn waitIn) {
  bool gotFd = false;
  const bool block = deadline.forever && waitIn == WaitIn::kRead;
  if (deadline.forever && !block) {
    // A caller without a deadline is waiting for the next message: no
    // read is tried before it is there.
    const IoResult wait = WaitFor(socket, POLLIN, deadline);
    if (wait != IoResult::kOk) return wait;
  }
  // The header and a short payload come in one read. Each side sends a
  // message only in answer to the other's, so nothing may follow this one.
  struct {
    std::uint32_t header[2];
    std::uint8_t payload[kInlinePayloadBytes];
  } first;
  std::size_t got = 0;
  IoResult r = ReceiveAtLeast(socket, &first, sizeof first.header, sizeof first, deadline,
                              receivedFd, &gotFd, &got, block);
  if (r != IoResult::kOk) return r;
  const std::size_t size = first.header[1];
  const std::size_t arrived = got - sizeof first.header;
  if (size > maxPayload || arrived > size) return IoResult::kMalformed;
  *type = static_cast<MessageType>(first.header[0]);
  try {
    payload->resize(size);
  } catch (...) {
    return IoResult::kFailed;
  }
  if (arrived) std::memcpy(payload->data(), first.payload, arrived);
  if (arrived == size) return IoResult::kOk;
  return ReceiveAll(socket, payload->data() + arrived, size - arrived, deadline, nullptr, &gotFd);
}

}  // namespace isolation
}  // namespace wordfilt
