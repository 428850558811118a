// The message channel between the module and a worker, over a socket pair:
// messages cut anywhere, long ones, files passed beside them, and a peer
// that sends more than one message at a time or more than allowed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>

#include "wordfilt/isolation/channel_posix.h"

using namespace wordfilt;
using namespace wordfilt::isolation;

namespace {

struct Pair {
  Pair() {
    int fds[2];
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    a.Reset(fds[0]);
    b.Reset(fds[1]);
  }
  UniqueFd a, b;
};

std::string Frame(MessageType type, const std::string& payload) {
  std::uint32_t header[2] = {static_cast<std::uint32_t>(type),
                             static_cast<std::uint32_t>(payload.size())};
  return std::string(reinterpret_cast<const char*>(header), sizeof header) + payload;
}

void WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    ASSERT_GT(n, 0);
    done += static_cast<std::size_t>(n);
  }
}

IoResult Receive(int fd, std::size_t max, MessageType* type, std::string* payload,
                 UniqueFd* file = nullptr) {
  ByteBuffer bytes;
  const IoResult r =
      ReceiveMessage(fd, Deadline::In(std::chrono::seconds(5)), max, type, &bytes, file);
  payload->assign(bytes.begin(), bytes.end());
  return r;
}

std::string Pattern(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>(i * 7 + i / 251);
  return s;
}

}  // namespace

// Short and long messages arrive whole however the bytes are cut on the way,
// waiting or not; the deadline-free waits of a worker take them as well.
TEST(Channel, MessagesArriveWholeHoweverTheyAreCut) {
  for (const std::size_t size : {std::size_t(0), std::size_t(5), std::size_t(4088),
                                 std::size_t(4089), std::size_t(300000)}) {
    const std::string frame = Frame(MessageType::kResult, Pattern(size));
    for (const std::size_t cut : {std::size_t(3), std::size_t(8), std::size_t(100)}) {
      if (cut >= frame.size()) continue;
      Pair p;
      std::thread writer([&] {
        WriteAll(p.b.Get(), frame.substr(0, cut));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        WriteAll(p.b.Get(), frame.substr(cut));
      });
      MessageType type{};
      ByteBuffer bytes;
      // A worker waits without a deadline, in poll or in the read itself.
      const Deadline deadline =
          cut == 100 ? Deadline::In(std::chrono::seconds(5)) : Deadline::Forever();
      const WaitIn waitIn = cut == 3 ? WaitIn::kRead : WaitIn::kPoll;
      EXPECT_EQ(ReceiveMessage(p.a.Get(), deadline, 1 << 20, &type, &bytes, nullptr, waitIn),
                IoResult::kOk)
          << size << " cut at " << cut;
      writer.join();
      EXPECT_EQ(type, MessageType::kResult);
      EXPECT_EQ(std::string(bytes.begin(), bytes.end()), Pattern(size)) << size << " at " << cut;
    }
  }
}

// A peer answers one message with one: anything queued behind a message, or a
// payload over the limit, is refused rather than read as the next message.
TEST(Channel, MoreThanOneMessageOrTooLongAPayloadIsRefused) {
  {
    Pair p;
    WriteAll(p.b.Get(), Frame(MessageType::kResult, "abc") + Frame(MessageType::kResult, "d"));
    MessageType type{};
    std::string payload;
    EXPECT_EQ(Receive(p.a.Get(), 64, &type, &payload), IoResult::kMalformed);
  }
  {
    Pair p;
    WriteAll(p.b.Get(), Frame(MessageType::kResult, Pattern(65)));
    MessageType type{};
    std::string payload;
    EXPECT_EQ(Receive(p.a.Get(), 64, &type, &payload), IoResult::kMalformed);
  }
  {
    Pair p;
    WriteAll(p.b.Get(), Frame(MessageType::kResult, "ab").substr(0, 9));
    p.b.Reset();
    MessageType type{};
    std::string payload;
    EXPECT_EQ(Receive(p.a.Get(), 64, &type, &payload), IoResult::kClosed);
  }
  {
    // A worker blocked in its read learns that the module has gone.
    Pair p;
    std::thread closer([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      p.b.Reset();
    });
    MessageType type{};
    ByteBuffer bytes;
    EXPECT_EQ(
        ReceiveMessage(p.a.Get(), Deadline::Forever(), 64, &type, &bytes, nullptr, WaitIn::kRead),
        IoResult::kClosed);
    closer.join();
  }
}

// A file travels with its message and is owned by the receiver; one sent to a
// receiver that expects none is closed and the message refused.
TEST(Channel, FilePassedBesideAMessage) {
  const int file = open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(file, 0);
  const std::uint64_t size = 42;
  {
    Pair p;
    ASSERT_EQ(SendMessage(p.b.Get(), MessageType::kParseFile, &size, sizeof size,
                          Deadline::In(std::chrono::seconds(5)), file),
              IoResult::kOk);
    MessageType type{};
    std::string payload;
    UniqueFd received;
    ASSERT_EQ(Receive(p.a.Get(), 64, &type, &payload, &received), IoResult::kOk);
    EXPECT_EQ(type, MessageType::kParseFile);
    EXPECT_EQ(payload, std::string(reinterpret_cast<const char*>(&size), sizeof size));
    EXPECT_GE(received.Get(), 0);
    EXPECT_NE(received.Get(), file);
  }
  {
    Pair p;
    ASSERT_EQ(SendMessage(p.b.Get(), MessageType::kResult, &size, sizeof size,
                          Deadline::In(std::chrono::seconds(5)), file),
              IoResult::kOk);
    MessageType type{};
    std::string payload;
    EXPECT_EQ(Receive(p.a.Get(), 64, &type, &payload), IoResult::kMalformed);
  }
  close(file);
}
