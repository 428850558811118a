// The worker's restriction after start-up: on Linux a seccomp filter that
// leaves reading and writing the descriptors it holds, memory management,
// timers and exit; every other system call (opening files, sockets, new
// processes, signals to others) fails.
#pragma once

namespace wordfilt {
namespace worker {

// True when the filter is in place; false where the system has none.
bool EnterSandbox();

}  // namespace worker
}  // namespace wordfilt
