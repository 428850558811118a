#include "wordfilt/isolation/worker_process_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define WORDFILT_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WORDFILT_ASAN 1
#endif
#endif

extern char** environ;

namespace wordfilt {
namespace isolation {
namespace {

constexpr int kChannelFd = 3;
constexpr int kRegionFd = 4;  // when the worker has a shared region
constexpr int kChannelBufferBytes = 4 << 20;

// Runs in the child between vfork and exec, on the parent's memory: system
// calls only, nothing written but its own locals.
[[noreturn]] void ExecWorker(int channel, int region, const char* program, char* const* argv,
                             char* const* envp, rlim_t addressSpace) {
  // Both moved above their places first, so that neither lands on the other.
  channel = fcntl(channel, F_DUPFD_CLOEXEC, kRegionFd + 1);
  if (channel < 0 || dup2(channel, kChannelFd) != kChannelFd) _exit(126);
  int last = kChannelFd;
  if (region >= 0) {
    region = fcntl(region, F_DUPFD_CLOEXEC, kRegionFd + 1);
    if (region < 0 || dup2(region, kRegionFd) != kRegionFd) _exit(126);
    last = kRegionFd;
  }
  // The host's other descriptors are none of the worker's business.
#ifdef SYS_close_range
  if (syscall(SYS_close_range, last + 1, ~0u, 0) != 0)
#endif
  {
    for (int fd = last + 1; fd < 65536; ++fd) close(fd);
  }
  rlimit none{0, 0};
  setrlimit(RLIMIT_CORE, &none);  // a crash costs a document, not a core file
  if (addressSpace) {
    rlimit as{addressSpace, addressSpace};
    setrlimit(RLIMIT_AS, &as);
  }
  // The host's handlers are its code on its memory: none may run in here.
  // Signals stay blocked (Spawn blocked them all before vfork) until every
  // caught one is back to its default; ignored ones stay ignored, as exec
  // keeps them, but SIGPIPE, which the worker needs.
  for (int sig = 1; sig < NSIG; ++sig) {
    struct sigaction action {};
    if (sigaction(sig, nullptr, &action) != 0) continue;
    if (action.sa_handler == SIG_DFL || (action.sa_handler == SIG_IGN && sig != SIGPIPE)) continue;
    struct sigaction reset {};
    reset.sa_handler = SIG_DFL;
    sigaction(sig, &reset, nullptr);
  }
  // The host may block signals; the worker starts with none blocked.
  sigset_t unblocked;
  sigemptyset(&unblocked);
  sigprocmask(SIG_SETMASK, &unblocked, nullptr);
  execve(program, argv, envp);
  _exit(127);
}

// The host's environment, with the worker's allocator asked to back its
// memory with huge pages where the system grants them on request
// (transparent huge pages in "madvise" mode): a fresh worker then faults its
// heap in 2 MB at a time instead of 4 KB, and on virtual machines every fault
// is an exit to the hypervisor. A host's own allocator settings follow ours
// and so win.
class WorkerEnvironment {
 public:
  WorkerEnvironment() {
    static constexpr char kName[] = "GLIBC_TUNABLES=";
    static constexpr std::size_t kNameLength = sizeof kName - 1;
    tunables_ = std::string(kName) + "glibc.malloc.hugetlb=1";
    for (char** e = environ; e && *e; ++e) {
      if (std::strncmp(*e, kName, kNameLength) == 0) {
        if ((*e)[kNameLength]) tunables_ += std::string(":") + (*e + kNameLength);
      } else {
        vars_.push_back(*e);
      }
    }
    vars_.push_back(&tunables_[0]);
    vars_.push_back(nullptr);
  }
  char* const* Get() const { return vars_.data(); }

 private:
  std::string tunables_;
  std::vector<char*> vars_;
};

}  // namespace

std::unique_ptr<WorkerProcess> WorkerProcess::Spawn(const std::string& program,
                                                    const Settings& settings) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return nullptr;
  UniqueFd ours(pair[0]), theirs(pair[1]);
  // A reply the size of a long document's text then goes in one write and
  // one read instead of one per default buffer (about 200 KB), each a switch
  // between the processes. The kernel caps the size at its own maximum.
  const int bufferBytes = kChannelBufferBytes;
  setsockopt(pair[0], SOL_SOCKET, SO_SNDBUF, &bufferBytes, sizeof bufferBytes);
  setsockopt(pair[1], SOL_SOCKET, SO_SNDBUF, &bufferBytes, sizeof bufferBytes);
  // Replies to files come back through the region where there is one.
  std::unique_ptr<SharedRegion> region = SharedRegion::Create();
  // Everything the child needs is built before vfork: it may not allocate.
  std::string timeout = std::to_string(settings.timeoutSeconds);
  std::vector<char*> argv = {const_cast<char*>(program.c_str()), &timeout[0], nullptr};
  const WorkerEnvironment environment;
  rlim_t addressSpace = rlim_t(settings.memoryLimitMiB) << 20;
#ifdef WORDFILT_ASAN
  addressSpace = 0;  // the sanitizer's shadow memory needs terabytes of address space
#endif
  // vfork, not fork: the host's page tables are not copied, nor its pages
  // left copy-on-write while the child execs (a large host paid for both).
  // The child shares this memory until it execs: no signal may reach a
  // handler in it before ExecWorker has reset them.
  sigset_t all, before;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &before);
  const pid_t pid = vfork();
  if (pid == 0)
    ExecWorker(theirs.Get(), region ? region->Fd() : -1, program.c_str(), argv.data(),
               environment.Get(), addressSpace);
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  if (pid < 0) return nullptr;
  theirs.Reset();
  if (region) region->CloseFd();  // the worker has its own now; the mapping stays
  return std::unique_ptr<WorkerProcess>(new WorkerProcess(pid, std::move(ours), std::move(region)));
}

bool WorkerProcess::AwaitReady(std::chrono::milliseconds startTimeout) {
  MessageType type{};
  ByteBuffer payload;
  if (ReceiveMessage(Socket(), Deadline::In(startTimeout), 8, &type, &payload) != IoResult::kOk ||
      type != MessageType::kReady || payload.size() != 8) {
    return false;
  }
  std::uint32_t words[2] = {};
  std::memcpy(words, payload.data(), 8);
  sandboxed_ = words[0] != 0;
  // A worker that could not map the region replies on the channel.
  if (words[1] == 0) region_.reset();
  return true;
}

pid_t ThisProcess() {
  static pid_t self = [] {
    pthread_atfork(nullptr, nullptr, [] { self = getpid(); });
    return getpid();
  }();
  return self;
}

WorkerProcess::~WorkerProcess() {
  socket_.Reset();
  if (Inherited()) return;  // the parent's: it kills and reaps its own
  kill(pid_, SIGKILL);
  while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
  }
}

void WorkerProcess::FollowCaller() {
#ifdef __linux__
  const int cpu = sched_getcpu();
  if (cpu < 0 || cpu == cpu_ || cpu >= CPU_SETSIZE) return;
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(cpu, &set);
  // A refusal (a cpuset that changed under the host) leaves the worker free.
  cpu_ = sched_setaffinity(pid_, sizeof set, &set) == 0 ? cpu : -1;
#endif
}

bool WorkerProcess::YieldUntilReply(std::chrono::microseconds budget,
                                    const SharedRegion* region) const {
#ifdef __linux__
  if (cpu_ < 0) return false;
  const auto until = Clock::now() + budget;
  // Moved to another processor, the caller would only spin beside the worker.
  while (sched_getcpu() == cpu_ && Clock::now() < until) {
    if (region) {
      if (region->Peek() != SharedState::kPending) return true;
    } else {
      pollfd p{socket_.Get(), POLLIN, 0};
      if (poll(&p, 1, 0) != 0) return true;
    }
    sched_yield();
  }
#else
  (void)budget;
  (void)region;
#endif
  return false;
}

bool WorkerProcess::StillIdle() const {
  pollfd p{socket_.Get(), POLLIN, 0};
  return poll(&p, 1, 0) == 0;
}

}  // namespace isolation
}  // namespace wordfilt
