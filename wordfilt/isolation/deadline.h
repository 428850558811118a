// Waiting with a limit, and how a transfer on the worker channel ended: shared
// by the channel of each platform.
#pragma once

#include <chrono>

namespace wordfilt {
namespace isolation {

using Clock = std::chrono::steady_clock;
// A point in time past which a wait fails; Forever() never passes.
struct Deadline {
  Clock::time_point at;
  bool forever = false;
  static Deadline Forever() { return {Clock::time_point(), true}; }
  static Deadline In(std::chrono::milliseconds d) { return {Clock::now() + d, false}; }
};

enum class IoResult { kOk, kClosed, kTimedOut, kFailed, kMalformed };

}  // namespace isolation
}  // namespace wordfilt
