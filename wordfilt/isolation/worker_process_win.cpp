#include "wordfilt/isolation/worker_process_win.h"

#include <atomic>
#include <cstring>
#include <vector>

namespace wordfilt {
namespace isolation {
namespace {

std::atomic<unsigned> g_pipeCount{0};

// A name nobody else is using: this process, a counter and the clock. The
// server end is created as the name's first and only instance, and the client
// that connects is checked to be the worker.
std::string PipeName() {
  const auto ticks = static_cast<unsigned long long>(Clock::now().time_since_epoch().count());
  return "\\\\.\\pipe\\wordfilt-worker-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(g_pipeCount.fetch_add(1)) + "-" + std::to_string(ticks);
}

std::wstring Widen(const std::string& s) {
  if (s.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
  return w;
}

// The job every worker runs in: killed when the job's last handle closes (the
// module's, also when the host dies), its memory capped, no error box.
UniqueHandle MakeJob(std::size_t memoryLimit, bool* limitsMemory) {
  UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
  if (!job.Valid()) return job;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
  info.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
  if (memoryLimit) {
    info.BasicLimitInformation.LimitFlags |= JOB_OBJECT_LIMIT_PROCESS_MEMORY;
    info.ProcessMemoryLimit = memoryLimit;
  }
  *limitsMemory = memoryLimit != 0;
  if (!SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &info, sizeof info)) {
    // Without the memory flag; the worker's own cap still holds.
    info.BasicLimitInformation.LimitFlags &= ~JOB_OBJECT_LIMIT_PROCESS_MEMORY;
    *limitsMemory = false;
    if (!SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &info,
                                 sizeof info)) {
      job.Reset();
    }
  }
  return job;
}

// Waits for the worker to connect, or to die trying.
bool AwaitClient(HANDLE pipe, HANDLE process, std::chrono::milliseconds timeout) {
  UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!event.Valid()) return false;
  OVERLAPPED ov{};
  ov.hEvent = event.Get();
  if (ConnectNamedPipe(pipe, &ov)) return true;
  const DWORD error = GetLastError();
  if (error == ERROR_PIPE_CONNECTED) return true;
  if (error != ERROR_IO_PENDING) return false;
  HANDLE waits[2] = {event.Get(), process};
  const DWORD w = WaitForMultipleObjects(2, waits, FALSE, static_cast<DWORD>(timeout.count()));
  DWORD ignored = 0;
  if (w != WAIT_OBJECT_0) {
    CancelIo(pipe);
    GetOverlappedResult(pipe, &ov, &ignored, TRUE);
    return false;
  }
  return GetOverlappedResult(pipe, &ov, &ignored, FALSE) != 0;
}

}  // namespace

std::unique_ptr<WorkerProcess> WorkerProcess::Spawn(const std::string& program,
                                                    const Settings& settings) {
  std::unique_ptr<WorkerProcess> worker(new WorkerProcess());
  // Beyond the address space (32-bit builds) the limit is the address space.
  const std::uint64_t limit = std::uint64_t(settings.memoryLimitMiB) << 20;
  const std::size_t memoryLimit = limit > SIZE_MAX ? SIZE_MAX : static_cast<std::size_t>(limit);
  worker->job_ = MakeJob(memoryLimit, &worker->jobLimitsMemory_);
  if (!worker->job_.Valid()) return nullptr;
  const std::string name = PipeName();
  worker->pipe_.Reset(CreateNamedPipeA(
      name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 1 << 16,
      1 << 16, 0, nullptr));
  if (!worker->pipe_.Valid()) return nullptr;
  worker->event_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!worker->event_.Valid()) return nullptr;
  // The worker inherits nothing: it opens the pipe by name and is handed files
  // one at a time. Suspended until it is in its job, so that nothing escapes it.
  std::wstring commandLine = L"\"" + Widen(program) + L"\" " +
                             std::to_wstring(settings.timeoutSeconds) + L" " +
                             std::to_wstring(settings.memoryLimitMiB) + L" " + Widen(name);
  std::wstring programW = Widen(program);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(programW.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                      CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
    return nullptr;
  }
  worker->process_.Reset(pi.hProcess);
  UniqueHandle thread(pi.hThread);
  worker->pid_ = pi.dwProcessId;
  if (!AssignProcessToJobObject(worker->job_.Get(), pi.hProcess) ||
      ResumeThread(pi.hThread) == static_cast<DWORD>(-1)) {
    return nullptr;  // killed by the destructor
  }
  return worker;
}

bool WorkerProcess::AwaitReady(std::chrono::milliseconds startTimeout) {
  if (!AwaitClient(pipe_.Get(), process_.Get(), startTimeout)) return false;
  ULONG client = 0;
  if (!GetNamedPipeClientProcessId(pipe_.Get(), &client) || client != pid_) {
    return false;  // someone else took the pipe
  }
  MessageType type{};
  ByteBuffer payload;
  return ReceiveMessage(Socket(), Deadline::In(startTimeout), 4, &type, &payload) ==
             IoResult::kOk &&
         type == MessageType::kReady && payload.size() == 4;
}

WorkerProcess::~WorkerProcess() {
  pipe_.Reset();
  if (process_.Valid()) {
    TerminateProcess(process_.Get(), 1);
    WaitForSingleObject(process_.Get(), 10000);
  }
  process_.Reset();
  job_.Reset();  // kills whatever the job still holds
}

bool WorkerProcess::StillIdle() const {
  if (WaitForSingleObject(process_.Get(), 0) != WAIT_TIMEOUT) return false;
  DWORD available = 0;
  if (!PeekNamedPipe(pipe_.Get(), nullptr, 0, nullptr, &available, nullptr)) return false;
  return available == 0;
}

}  // namespace isolation
}  // namespace wordfilt
