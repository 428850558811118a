#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "wordfilt/worker/faults.h"

namespace wordfilt {
namespace worker {
namespace {

constexpr char kMarker[] = "WORDFILT-FAULT:";

bool Is(const std::uint8_t* data, std::size_t size, const char* mode) {
  const std::size_t m = sizeof kMarker - 1, n = std::strlen(mode);
  return size >= m + n && std::memcmp(data, kMarker, m) == 0 && std::memcmp(data + m, mode, n) == 0;
}

void WriteAll(int channel, const void* p, std::size_t n) {
  const auto* b = static_cast<const char*>(p);
  while (n > 0) {
    const ssize_t w = write(channel, b, n);
    if (w <= 0) return;
    b += w;
    n -= static_cast<std::size_t>(w);
  }
}

}  // namespace

bool Misbehave(const std::uint8_t* data, std::size_t size, RawChannel channel,
               isolation::Outcome* outcome, DocumentText* doc) {
  if (Is(data, size, "crash")) __builtin_trap();
  if (Is(data, size, "exit")) _exit(0);
  if (Is(data, size, "spin")) {
    for (volatile unsigned long i = 0;; i = i + 1) {
    }
  }
  if (Is(data, size, "explode")) {
    std::vector<char*> held;
    try {
      for (;;) {
        char* block = new char[std::size_t(16) << 20];
        std::memset(block, 1, std::size_t(16) << 20);  // touched: really in use
        held.push_back(block);
      }
    } catch (const std::bad_alloc&) {
    }
    for (char* block : held) delete[] block;
    *outcome = isolation::Outcome::kOutOfMemory;
    *doc = DocumentText();
    return true;
  }
  if (Is(data, size, "garbage")) {
    // A framed result whose contents are nonsense.
    const std::uint32_t junk[8] = {static_cast<std::uint32_t>(isolation::MessageType::kResult),
                                   24,
                                   0,
                                   0x7fffffff,
                                   3,
                                   0xdeadbeef,
                                   9,
                                   9};
    WriteAll(channel, junk, sizeof junk);
    for (;;) pause();
  }
  if (Is(data, size, "hugereply")) {
    const std::uint32_t header[2] = {static_cast<std::uint32_t>(isolation::MessageType::kResult),
                                     0xfffffff0u};
    WriteAll(channel, header, sizeof header);
    for (;;) pause();
  }
  if (Is(data, size, "sandbox")) {
    // What a reader gone wrong could reach: files and new connections.
    const int file = open("/etc/passwd", O_RDONLY);
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    std::string report = std::string("open:") + (file >= 0 ? "allowed" : "refused") +
                         " socket:" + (sock >= 0 ? "allowed" : "refused");
    doc->text.assign(report.begin(), report.end());
    doc->chunks.assign(1, TextChunk{0, static_cast<std::uint32_t>(report.size()), 0x0409, 0});
    *outcome = isolation::Outcome::kOk;
    return true;
  }
  return false;
}

}  // namespace worker
}  // namespace wordfilt
