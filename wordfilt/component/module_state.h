// Counts of live objects and server locks, for DllCanUnloadNow.
#pragma once

#include <atomic>

namespace wordfilt {

extern std::atomic<long> g_liveObjects;
extern std::atomic<long> g_serverLocks;

}  // namespace wordfilt
