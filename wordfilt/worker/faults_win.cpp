#include <windows.h>

#include <cstring>
#include <new>
#include <vector>

#include "wordfilt/isolation/channel_win.h"
#include "wordfilt/worker/faults.h"

namespace wordfilt {
namespace worker {
namespace {

constexpr char kMarker[] = "WORDFILT-FAULT:";

bool Is(const std::uint8_t* data, std::size_t size, const char* mode) {
  const std::size_t m = sizeof kMarker - 1, n = std::strlen(mode);
  return size >= m + n && std::memcmp(data, kMarker, m) == 0 && std::memcmp(data + m, mode, n) == 0;
}

[[noreturn]] void WriteAndWait(RawChannel channel, const void* p, std::size_t n) {
  isolation::WriteRaw(channel, p, n, isolation::Deadline::Forever());
  for (;;) Sleep(INFINITE);
}

}  // namespace

bool Misbehave(const std::uint8_t* data, std::size_t size, RawChannel channel,
               isolation::Outcome* outcome, DocumentText* doc) {
  if (Is(data, size, "crash")) __builtin_trap();
  if (Is(data, size, "exit")) ExitProcess(0);
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
    WriteAndWait(channel, junk, sizeof junk);
  }
  if (Is(data, size, "hugereply")) {
    const std::uint32_t header[2] = {static_cast<std::uint32_t>(isolation::MessageType::kResult),
                                     0xfffffff0u};
    WriteAndWait(channel, header, sizeof header);
  }
  return false;
}

}  // namespace worker
}  // namespace wordfilt
