#include "wordfilt/worker/sandbox_posix.h"

#ifdef __linux__
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cstddef>
#include <vector>
#endif

namespace wordfilt {
namespace worker {

#ifdef __linux__
namespace {

#if defined(__x86_64__)
constexpr unsigned kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr unsigned kArch = AUDIT_ARCH_AARCH64;
#elif defined(__i386__)
constexpr unsigned kArch = AUDIT_ARCH_I386;
#else
#define WORDFILT_NO_SECCOMP 1
#endif

#ifndef SECCOMP_RET_KILL_PROCESS
#define SECCOMP_RET_KILL_PROCESS SECCOMP_RET_KILL
#endif

#ifndef WORDFILT_NO_SECCOMP
const long kAllowed[] = {
    SYS_read,         SYS_write,          SYS_readv,        SYS_writev,    SYS_pread64,
    SYS_lseek,        SYS_recvmsg,        SYS_sendmsg,      SYS_recvfrom,  SYS_sendto,
    SYS_close,        SYS_ppoll,
#ifdef SYS_poll
    SYS_poll,
#endif
    SYS_mmap,         SYS_munmap,         SYS_mremap,       SYS_brk,       SYS_madvise,
    SYS_mprotect,     SYS_futex,          SYS_sched_yield,  SYS_getrandom, SYS_clock_gettime,
    SYS_setitimer,
#ifdef SYS_alarm
    SYS_alarm,
#endif
    SYS_rt_sigreturn, SYS_rt_sigprocmask, SYS_rt_sigaction, SYS_exit,      SYS_exit_group,
};
#endif

}  // namespace

bool EnterSandbox() {
#ifdef WORDFILT_NO_SECCOMP
  return false;
#else
  constexpr std::size_t n = sizeof kAllowed / sizeof kAllowed[0];
  std::vector<sock_filter> program;
  program.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)));
  program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0));
  program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS));
  program.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
  // Each match jumps past the refusal to the allow at the end.
  for (std::size_t i = 0; i < n; ++i) {
    program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(kAllowed[i]),
                               static_cast<unsigned char>(n - i), 0));
  }
  program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EPERM & SECCOMP_RET_DATA)));
  program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
  sock_fprog fprog{static_cast<unsigned short>(program.size()), program.data()};
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return false;
  return prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &fprog) == 0;
#endif
}

#else
bool EnterSandbox() { return false; }
#endif

}  // namespace worker
}  // namespace wordfilt
