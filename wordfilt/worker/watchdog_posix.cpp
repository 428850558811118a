#include "wordfilt/worker/watchdog_posix.h"

#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

namespace wordfilt {
namespace worker {
namespace {

volatile sig_atomic_t g_serial = 0;  // documents begun, wrapping, never -1
volatile sig_atomic_t g_busy = 0;
volatile sig_atomic_t g_seen = -1;  // the document in hand at the last tick

void OnTick(int) {
  if (!g_busy) {
    g_seen = -1;
  } else if (g_seen == g_serial) {
    _exit(3);
  } else {
    g_seen = g_serial;
  }
}

}  // namespace

bool StartWatchdog(unsigned periodSeconds) {
  struct sigaction action {};
  action.sa_handler = OnTick;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  if (sigaction(SIGALRM, &action, nullptr) != 0) return false;
  itimerval timer{};
  timer.it_interval.tv_sec = static_cast<time_t>(periodSeconds);
  timer.it_value = timer.it_interval;
  return setitimer(ITIMER_REAL, &timer, nullptr) == 0;
}

void DocumentStarted() {
  g_serial = (g_serial + 1) & 0x3FFFFFFF;
  g_busy = 1;
}

void DocumentEnded() { g_busy = 0; }

}  // namespace worker
}  // namespace wordfilt
