// The worker pool against a worker that crashes, spins, exhausts memory, exits
// or lies on marker documents: each costs exactly its document.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <new>
#include <sstream>
#include <thread>

#include "isolation_support.h"
#include "platform/storage/compound_file.h"
#include "wordfilt/doc/compound_streams.h"
#include "wordfilt/doc/extract.h"
#include "wordfilt/formats/any_format.h"
#include "wordfilt/isolation/worker_pool.h"
#include "wordfilt/isolation/worker_process_posix.h"

using namespace wordfilt;
using namespace wordfilt::isolation;
using namespace isotest;
using Ms = std::chrono::milliseconds;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

constexpr unsigned kTimeout = 2;

struct Result {
  Failure failure = Failure::kNone;
  Outcome outcome = Outcome::kNotWord;
  DocumentText doc;
  Ms took{0};
};

Result RunFile(WorkerPool& pool, const std::string& path, bool textInPlace = false) {
  Result r;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_GE(fd, 0) << path;
  Job job;
  job.file = fd;
  job.textInPlace = textInPlace;
  job.fileSize = static_cast<std::uint64_t>(lseek(fd, 0, SEEK_END));
  const auto start = std::chrono::steady_clock::now();
  r.failure = pool.Run(job, &r.outcome, &r.doc);
  r.took = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - start);
  close(fd);
  return r;
}

// Hands a worker the file at `path`, open, as the module does; false when the
// file cannot be opened or the message not sent.
bool HandFile(const WorkerProcess& worker, const std::string& path, const Deadline& deadline) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const std::uint64_t size = static_cast<std::uint64_t>(lseek(fd, 0, SEEK_END));
  const IoResult sent =
      SendMessage(worker.Socket(), MessageType::kParseFile, &size, sizeof size, deadline, fd);
  close(fd);
  return sent == IoResult::kOk;
}

// The release worker with the default settings.
std::unique_ptr<WorkerProcess> StartReleaseWorker() {
  return WorkerProcess::Start(DOCFLT_WORKER_FILE, Settings(), std::chrono::seconds(10));
}

// What this process makes of the same file.
std::string InProcess(const std::string& path) {
  const std::string bytes = ReadBytes(path);
  DocumentText doc;
  const LoadStatus status =
      ExtractAnyFormat(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), doc);
  return std::to_string(static_cast<int>(OutcomeOf(status))) + Describe(doc);
}

std::string Isolated(const Result& r) {
  return std::to_string(static_cast<int>(r.outcome)) + Describe(r.doc);
}

class Pool : public ::testing::Test {
 protected:
  void SetUp() override {
    fdsBefore = OpenFdCount();
    settings.timeoutSeconds = kTimeout;
    settings.memoryLimitMiB = 128;  // exhausted quickly even on a busy machine
    pool.reset(new WorkerPool(DOCFLT_FAULT_WORKER_FILE, settings, 2));
    good = InProcess(SampleDoc());
  }
  void TearDown() override {
    pool.reset();
    EXPECT_TRUE(Children().empty()) << "workers outlived their pool";
    EXPECT_EQ(OpenFdCount(), fdsBefore) << "descriptors leaked";
  }
  void ExpectNextDocumentFine() {
    const Result next = RunFile(*pool, SampleDoc());
    ASSERT_EQ(next.failure, Failure::kNone);
    EXPECT_EQ(Isolated(next), good);
    EXPECT_EQ(ZombieCount(), 0u);
    EXPECT_LE(Children().size(), 2u);
  }
  Settings settings;
  std::unique_ptr<WorkerPool> pool;
  std::size_t fdsBefore = 0;
  std::string good;
  TempDir dir{"pool"};
};

}  // namespace

TEST_F(Pool, ParsesAsThisProcessDoesAndReusesItsWorker) {
  const Result first = RunFile(*pool, SampleDoc());
  ASSERT_EQ(first.failure, Failure::kNone);
  EXPECT_EQ(first.outcome, Outcome::kOk);
  EXPECT_FALSE(first.doc.text.empty());
  EXPECT_EQ(Isolated(first), good);
  const pid_t worker = WaitForChild(100);
  ASSERT_GT(worker, 0);
#ifdef __linux__
  // The worker was moved to the processor of the thread that handed it the
  // document (where that thread then slept), not left free to run anywhere.
  cpu_set_t ours, its;
  ASSERT_EQ(sched_getaffinity(0, sizeof ours, &ours), 0);
  ASSERT_EQ(sched_getaffinity(worker, sizeof its, &its), 0);
  if (CPU_COUNT(&ours) > 1) {
    EXPECT_EQ(CPU_COUNT(&its), 1);
  }
#endif
  const std::string text = dir.File("plain.txt", "Just some plain text.\r\n");
  const Result second = RunFile(*pool, text);
  EXPECT_EQ(Isolated(second), InProcess(text));
  ASSERT_EQ(Children().size(), 1u);
  EXPECT_EQ(Children()[0].pid, worker);  // one document at a time: one worker
}

// Each fault fails its document with its own failure, within the deadline plus
// a margin, and the worker after it reads the next document correctly.
TEST_F(Pool, EachFaultCostsOneDocument) {
  struct Case {
    const char* mode;
    Failure failure;
    Outcome outcome;
  } cases[] = {
      {"crash", Failure::kDied, {}},        {"exit", Failure::kDied, {}},
      {"garbage", Failure::kMalformed, {}}, {"hugereply", Failure::kMalformed, {}},
      {"spin", Failure::kTimedOut, {}},     {"explode", Failure::kNone, Outcome::kOutOfMemory},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    if (kSanitized && std::string(c.mode) == "explode") continue;  // no address-space limit there
    const Result r = RunFile(*pool, dir.File(c.mode, Marker(c.mode)));
    EXPECT_EQ(r.failure, c.failure);
    if (c.failure == Failure::kNone) {
      EXPECT_EQ(r.outcome, c.outcome);
    }
    EXPECT_TRUE(r.doc.text.empty() && r.doc.chunks.empty());
    EXPECT_LT(r.took, Ms(kTimeout * 1000 + 2500));
    if (c.failure == Failure::kTimedOut) {
      EXPECT_GE(r.took, Ms(kTimeout * 1000 - 50));
    }
    ExpectNextDocumentFine();
  }
}

// A worker whose module is gone cannot be killed by it: one that spins on a
// document ends by itself, once the document has lasted past any deadline the
// module could have set (between timeout + 2 and twice that), and not before,
// however long it waits idle between documents.
TEST(FaultWorker, EndsByItselfOnlyWhenADocumentOutlivesEveryDeadline) {
  Settings settings;
  settings.timeoutSeconds = 1;  // the worker's own limit: between 3 and 6 s
  std::unique_ptr<WorkerProcess> worker =
      WorkerProcess::Start(DOCFLT_FAULT_WORKER_FILE, settings, std::chrono::seconds(10));
  ASSERT_TRUE(worker);
  TempDir dir{"watchdog"};
  const auto handOver = [&](const std::string& path) {
    ASSERT_TRUE(HandFile(*worker, path, Deadline::In(std::chrono::seconds(5))));
  };
  const auto alive = [&] {
    for (const Child& c : Children())
      if (c.pid == worker->Pid()) return c.state != 'Z';
    return false;
  };
  // Idle across three periods of its timer, between two documents.
  handOver(SampleDoc());
  std::this_thread::sleep_for(std::chrono::milliseconds(7000));
  EXPECT_TRUE(alive());
  handOver(SampleDoc());
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_TRUE(alive());

  handOver(dir.File("spin", Marker("spin")));
  while (alive() && std::chrono::steady_clock::now() - start < std::chrono::seconds(12))
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(alive());
  EXPECT_GE(took, std::chrono::milliseconds(2900));
  EXPECT_LE(took, std::chrono::milliseconds(7500));
}

TEST_F(Pool, StorageStreamsComeOnRequestAndFaultsThereCostOneDocument) {
  const std::string bytes = ReadBytes(SampleDoc());
  auto file = platform::cfb::CompoundFile::OpenMemory(bytes.data(), bytes.size(), nullptr);
  ASSERT_TRUE(file);
  CompoundStreams streams(std::move(file));
  DocumentText expected;
  const LoadStatus status = ExtractText(streams, expected);
  std::vector<std::u16string> asked;
  Job job;
  job.readStream = [&](std::u16string_view name, ByteBuffer& out) {
    asked.emplace_back(name);
    return streams.Read(name, out);
  };
  Result r;
  r.failure = pool->Run(job, &r.outcome, &r.doc);
  ASSERT_EQ(r.failure, Failure::kNone);
  EXPECT_EQ(Isolated(r), std::to_string(static_cast<int>(OutcomeOf(status))) + Describe(expected));
  EXPECT_FALSE(expected.properties.empty());  // the worker reads them too
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked[0], u"WordDocument");

  // A stream that crashes the worker.
  const std::string crash = Marker("crash");
  job.readStream = [&](std::u16string_view, ByteBuffer& out) {
    out.assign(crash.begin(), crash.end());
    return true;
  };
  r.failure = pool->Run(job, &r.outcome, &r.doc);
  EXPECT_EQ(r.failure, Failure::kDied);
  ExpectNextDocumentFine();
}

// A stream reader that throws (out of memory reading a host's stream) passes
// the exception on and frees the worker's place: a pool of one worker still
// serves the next document instead of waiting for ever.
TEST_F(Pool, AStreamReaderThatThrowsFreesItsWorker) {
  WorkerPool one(DOCFLT_FAULT_WORKER_FILE, settings, 1);
  Job job;
  job.readStream = [](std::u16string_view, ByteBuffer&) -> bool { throw std::bad_alloc(); };
  Result thrown;
  EXPECT_THROW(one.Run(job, &thrown.outcome, &thrown.doc), std::bad_alloc);
  auto next = std::async(std::launch::async, [&] { return RunFile(one, SampleDoc()); });
  if (next.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    ADD_FAILURE() << "the pool waits for a place nobody frees";
    std::_Exit(1);  // the waiting thread cannot be joined
  }
  const Result r = next.get();
  EXPECT_EQ(r.failure, Failure::kNone);
  EXPECT_EQ(Isolated(r), good);
}

// A host that forks after documents have gone to workers: the child starts
// workers of its own instead of talking to its parent's (which would cross
// their documents), and letting go of the pool there leaves the parent's
// workers alone.
TEST_F(Pool, AForkedHostStartsItsOwnWorkersAndLeavesItsParentsAlone) {
  ASSERT_EQ(Isolated(RunFile(*pool, SampleDoc())), good);
  const std::vector<Child> before = Children();
  ASSERT_EQ(before.size(), 1u);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const Result r = RunFile(*pool, SampleDoc());
    const std::vector<Child> own = Children();  // this process's children
    const bool ok = r.failure == Failure::kNone && Isolated(r) == good && own.size() == 1;
    pool.reset();  // its own worker is killed, the parent's is not
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child's document failed";
  EXPECT_EQ(kill(before[0].pid, 0), 0) << "the child killed its parent's worker";
  EXPECT_EQ(Isolated(RunFile(*pool, SampleDoc())), good);
  const std::vector<Child> after = Children();
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].pid, before[0].pid);  // the same worker served on
}

TEST_F(Pool, SandboxRefusesFilesAndSockets) {
  if (kSanitized) GTEST_SKIP() << "sanitizer builds run the worker without its filter";
  const Result r = RunFile(*pool, dir.File("sandbox", Marker("sandbox")));
  ASSERT_EQ(r.failure, Failure::kNone);
  EXPECT_EQ(std::string(r.doc.text.begin(), r.doc.text.end()), "open:refused socket:refused");
}

TEST_F(Pool, WorkerKilledFromOutsideMidDocument) {
  std::atomic<pid_t> victim{-1};
  std::thread killer([&] {
    const pid_t pid = WaitForChild(2000);
    std::this_thread::sleep_for(Ms(200));  // well into the document
    if (pid > 0 && kill(pid, SIGKILL) == 0) victim = pid;
  });
  const Result r = RunFile(*pool, dir.File("spin", Marker("spin")));
  killer.join();
  ASSERT_GT(victim.load(), 0);
  EXPECT_EQ(r.failure, Failure::kDied);
  EXPECT_LT(r.took, Ms(kTimeout * 1000));  // noticed at once, not at the deadline
  ExpectNextDocumentFine();
}

TEST_F(Pool, IdleWorkerKilledCostsNoDocument) {
  ASSERT_EQ(RunFile(*pool, SampleDoc()).failure, Failure::kNone);
  const pid_t idle = WaitForChild(100);
  ASSERT_GT(idle, 0);
  ASSERT_EQ(kill(idle, SIGKILL), 0);
  std::this_thread::sleep_for(Ms(50));
  ExpectNextDocumentFine();
  for (const Child& c : Children()) EXPECT_NE(c.pid, idle);
}

TEST_F(Pool, WorkerThatCannotStartFailsClearly) {
  WorkerPool missing(dir.File("not-a-program", "#!/nonexistent\n"), settings, 1);
  missing.StartEarly();
  const Result r = RunFile(missing, SampleDoc());
  EXPECT_EQ(r.failure, Failure::kStart);
  EXPECT_EQ(ZombieCount(), 0u);
}

// A worker started ahead runs before any document and serves the first one;
// one that dies before it is ready costs no document either.
TEST_F(Pool, WorkerStartedEarlyServesTheFirstDocument) {
  pool->StartEarly();
  const std::vector<Child> early = Children();
  ASSERT_EQ(early.size(), 1u);
  const Result first = RunFile(*pool, SampleDoc());
  ASSERT_EQ(first.failure, Failure::kNone);
  EXPECT_EQ(Isolated(first), good);
  const std::vector<Child> after = Children();
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].pid, early[0].pid);

  pool.reset(new WorkerPool(DOCFLT_FAULT_WORKER_FILE, settings, 2));
  pool->StartEarly();
  const std::vector<Child> doomed = Children();
  ASSERT_EQ(doomed.size(), 1u);
  ASSERT_EQ(kill(doomed[0].pid, SIGKILL), 0);
  // Dead (a zombie until the pool reaps it), its end of the channel closed.
  for (int waited = 0; waited < 1000; waited += 10) {
    const std::vector<Child> now = Children();
    if (!now.empty() && now[0].state == 'Z') break;
    std::this_thread::sleep_for(Ms(10));
  }
  ExpectNextDocumentFine();
  for (const Child& c : Children()) EXPECT_NE(c.pid, doomed[0].pid);
}

// Several threads share two workers: every document comes back whole and
// right, and no more than two workers ever run.
// Each thread holds its last text, read in place, while it runs the next
// document: no worker may reply over a text that is still read.
TEST_F(Pool, ThreadsShareTheWorkers) {
  const std::string text = dir.File("plain.txt", "Text for the threads.\r\n");
  const std::string plain = InProcess(text);
  std::atomic<int> wrong{0}, maxChildren{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      Result last;
      bool lastSample = false;
      for (int i = 0; i < 8; ++i) {
        const bool sample = (i + t) % 2 == 0;
        Result r = RunFile(*pool, sample ? SampleDoc() : text, true);
        if (r.failure != Failure::kNone || Isolated(r) != (sample ? good : plain)) ++wrong;
        if (i > 0 && Isolated(last) != (lastSample ? good : plain)) ++wrong;
        last = std::move(r);
        lastSample = sample;
        const int n = static_cast<int>(Children().size());
        if (n > maxChildren) maxChildren = n;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_LE(maxChildren.load(), 2);
  EXPECT_GE(maxChildren.load(), 1);
}

// A text read in place keeps its worker's region until the document goes:
// the worker's next reply takes the channel and leaves it intact; once the
// document is gone, replies lie in the region again.
TEST_F(Pool, TextReadInPlaceKeepsTheRegionUntilTheDocumentGoes) {
  std::string long_text;
  while (long_text.size() < (64u << 10)) long_text += "Words of a second, longer document.\r\n";
  const std::string other = dir.File("other.txt", long_text);
  const std::string otherText = InProcess(other);
  Result first = RunFile(*pool, SampleDoc(), true);
  ASSERT_EQ(first.failure, Failure::kNone);
  EXPECT_TRUE(first.doc.held && first.doc.text.empty());
  EXPECT_EQ(Isolated(first), good);
  for (int i = 0; i < 2; ++i) {
    const Result next = RunFile(*pool, other, true);
    ASSERT_EQ(next.failure, Failure::kNone);
    EXPECT_FALSE(next.doc.held) << "a reply lies in a region still read";
    EXPECT_EQ(Isolated(next), otherText);
    EXPECT_EQ(Isolated(first), good) << "the text read in place was overwritten";
  }
  first = Result();
  const Result again = RunFile(*pool, other, true);
  EXPECT_TRUE(again.doc.held);
  EXPECT_EQ(Isolated(again), otherText);
  EXPECT_EQ(Children().size(), 1u);  // one worker served all four
}

// The release worker reads a compound file through its descriptor, sector by
// sector as the parser asks: a file far larger than the worker may hold, all
// of it beyond the streams the text needs, still gives its text.
TEST(ReleaseWorker, ReadsOnlyTheSectorsOfACompoundFileThatTheTextNeeds) {
  if (kSanitized) GTEST_SKIP() << "sanitizer builds run the worker without its memory cap";
  TempDir dir{"sectors"};
  const std::string bytes = ReadBytes(SampleDoc());
  const std::string path = dir.File("padded.doc", bytes);
  // A hole past the last sector: no disk space, but 256 MiB to read whole.
  ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(bytes.size() + (256u << 20))), 0);
  Settings settings;
  settings.timeoutSeconds = 10;
  settings.memoryLimitMiB = 64;
  WorkerPool pool(DOCFLT_WORKER_FILE, settings, 1);
  const Result r = RunFile(pool, path);
  ASSERT_EQ(r.failure, Failure::kNone);
  EXPECT_EQ(r.outcome, Outcome::kOk);
  EXPECT_EQ(Isolated(r), InProcess(SampleDoc()));
}

#ifdef __linux__
namespace {

long VoluntarySwitches(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::stol(line.substr(24));
  }
  return -1;
}

long KernelMaxSendBuffer() {
  std::ifstream f("/proc/sys/net/core/wmem_max");
  long n = -1;
  f >> n;
  return n;
}

}  // namespace

// Every switch between the two processes costs tens of microseconds on a
// virtual machine, more than parsing a small document's structures: the worker
// sleeps once per document (waiting for the next one), not again each time
// the module reads part of its reply, and a long text goes back in one write.
TEST(ReleaseWorker, SleepsOncePerDocument) {
  Settings settings;
  WorkerPool pool(DOCFLT_WORKER_FILE, settings, 1);
  ASSERT_EQ(RunFile(pool, SampleDoc()).failure, Failure::kNone);
  const pid_t worker = WaitForChild(100);
  ASSERT_GT(worker, 0);
  const long before = VoluntarySwitches(worker);
  constexpr int kDocuments = 40;
  for (int i = 0; i < kDocuments; ++i)
    ASSERT_EQ(RunFile(pool, SampleDoc()).failure, Failure::kNone);
  const long small = VoluntarySwitches(worker) - before;
  EXPECT_LE(small, kDocuments + kDocuments / 4);

  TempDir dir{"longtext"};
  std::string line = "A line of plain text that repeats to make a long document.\r\n";
  std::string text;
  while (text.size() < (1u << 20)) text += line;
  const std::string path = dir.File("long.txt", text);
  const long beforeLong = VoluntarySwitches(worker);
  const Result r = RunFile(pool, path);
  ASSERT_EQ(r.failure, Failure::kNone);
  EXPECT_GE(r.doc.text.size(), text.size() - 2 * text.size() / line.size());
  const std::size_t replyBytes = r.doc.text.size() * 2 + r.doc.chunks.size() * 16 + 4096;
  // The kernel grants twice the size asked for, up to twice its maximum.
  if (2 * KernelMaxSendBuffer() < static_cast<long>(replyBytes))
    GTEST_SKIP() << "this kernel caps socket buffers below one reply";
  EXPECT_LE(VoluntarySwitches(worker) - beforeLong, 3);
}
#endif

// A reply to a file lies in the shared region and, for a module that did not
// go to sleep, nothing comes on the channel; a reply too large for the region
// comes on the channel and the region says so. Both decode as this process
// parses the file.
TEST(ReleaseWorker, RepliesToFilesComeThroughTheRegion) {
  const std::unique_ptr<WorkerProcess> worker = StartReleaseWorker();
  ASSERT_TRUE(worker);
  SharedRegion* region = worker->Region();
  ASSERT_NE(region, nullptr);
  TempDir dir{"region"};
  std::string big;
  while (big.size() < kSharedReplyBytes) big += "Text too long for the region.\r\n";
  const Deadline deadline = Deadline::In(std::chrono::seconds(20));
  for (const std::string& path : {SampleDoc(), dir.File("big.txt", big)}) {
    region->Arm();
    ASSERT_TRUE(HandFile(*worker, path, deadline));
    while (region->Peek() == SharedState::kPending && Clock::now() < deadline.at)
      std::this_thread::yield();
    Outcome outcome{};
    DocumentText doc;
    if (path == SampleDoc()) {
      ASSERT_EQ(region->Peek(), SharedState::kInRegion);
      pollfd p{worker->Socket(), POLLIN, 0};
      EXPECT_EQ(poll(&p, 1, 0), 0) << "a message came besides the reply";
      const std::uint8_t* data = nullptr;
      std::size_t bytes = 0;
      ASSERT_TRUE(region->Reply(&data, &bytes));
      ASSERT_TRUE(DecodeResult(data, bytes, &outcome, &doc));
    } else {
      ASSERT_EQ(region->Peek(), SharedState::kOnChannel);
      MessageType type{};
      ByteBuffer payload;
      ASSERT_EQ(ReceiveMessage(worker->Socket(), deadline, kMaxResultBytes, &type, &payload),
                IoResult::kOk);
      ASSERT_EQ(type, MessageType::kResult);
      ASSERT_TRUE(DecodeResult(payload.data(), payload.size(), &outcome, &doc));
    }
    EXPECT_EQ(std::to_string(static_cast<int>(outcome)) + Describe(doc), InProcess(path));
  }
}

// A reply on the channel is announced in the region before it is sent, never
// after: the module, once it has the reply, arms the region for its next
// document, and a late write from the worker would undo that (the next reply
// then waits on a channel nobody writes to). The reply here outgrows the
// socket's buffer, so the worker is still sending when the module arms.
TEST(ReleaseWorker, SaysWhereItsReplyGoesBeforeSendingIt) {
  const std::unique_ptr<WorkerProcess> worker = StartReleaseWorker();
  ASSERT_TRUE(worker);
  SharedRegion* region = worker->Region();
  ASSERT_NE(region, nullptr);
  TempDir dir{"announce"};
  std::string text;
  while (text.size() < (12u << 20)) text += "A reply longer than the socket holds.\r\n";
  const Deadline deadline = Deadline::In(std::chrono::seconds(30));
  region->Arm();
  ASSERT_TRUE(HandFile(*worker, dir.File("huge.txt", text), deadline));
  pollfd p{worker->Socket(), POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 30000), 1);
  region->Arm();  // as for a next document, before this reply is all read
  MessageType type{};
  ByteBuffer payload;
  ASSERT_EQ(ReceiveMessage(worker->Socket(), deadline, kMaxResultBytes, &type, &payload),
            IoResult::kOk);
  EXPECT_EQ(type, MessageType::kResult);
  std::this_thread::sleep_for(Ms(100));
  EXPECT_EQ(region->Peek(), SharedState::kPending) << "the worker wrote the state after its reply";
}

// Starting a worker does not copy the host's memory map: a host holding a
// gigabyte starts one about as fast as a small one (a forked start took 20 to
// 40 times longer there, page tables copied and pages left copy-on-write).
TEST(WorkerStart, CostsTheSameInALargeHost) {
  Settings settings;
  auto quickest = [&]() -> std::chrono::microseconds {
    auto best = std::chrono::steady_clock::duration::max();
    for (int i = 0; i < 3; ++i) {
      const auto start = std::chrono::steady_clock::now();
      const auto worker = WorkerProcess::Start(DOCFLT_WORKER_FILE, settings, Ms(10000));
      best = std::min(best, std::chrono::steady_clock::now() - start);
      // The release worker, however it is linked, runs in its sandbox.
      EXPECT_TRUE(worker && worker->Sandboxed() == !kSanitized);
    }
    return std::chrono::duration_cast<std::chrono::microseconds>(best);
  };
  sigset_t maskBefore, maskAfter;
  pthread_sigmask(SIG_SETMASK, nullptr, &maskBefore);
  const auto small = quickest();
  // Signals are blocked around the start only: the host's mask comes back.
  pthread_sigmask(SIG_SETMASK, nullptr, &maskAfter);
  for (int sig = 1; sig < NSIG; ++sig)
    EXPECT_EQ(sigismember(&maskBefore, sig), sigismember(&maskAfter, sig)) << "signal " << sig;
  std::vector<char> held(std::size_t(1) << 30);
  for (std::size_t i = 0; i < held.size(); i += 4096) held[i] = 1;
  const auto large = quickest();
  EXPECT_LT(large.count(), 3 * small.count() + 10000)
      << "small host " << small.count() << " us, large host " << large.count() << " us";
  EXPECT_EQ(held[4096], 1);
}

// The worker's allocator is asked for huge pages, the host's own allocator
// settings kept after that request and the rest of its environment kept.
TEST(WorkerStart, AsksTheAllocatorForHugePagesAndKeepsTheHostsEnvironment) {
  TempDir dir{"environment"};
  const std::string out = (dir.path / "env.txt").string();
  const std::string script = dir.File(
      "dump.sh", "#!/bin/sh\nenv > '" + out + ".part' && mv '" + out + ".part' '" + out + "'\n");
  ASSERT_EQ(chmod(script.c_str(), 0700), 0);
  const char* saved = getenv("GLIBC_TUNABLES");
  const std::string before = saved ? saved : "";
  setenv("GLIBC_TUNABLES", "glibc.malloc.perturb=0", 1);
  setenv("DOCFLT_TEST_MARK", "kept", 1);
  std::unique_ptr<WorkerProcess> dumper = WorkerProcess::Spawn(script, Settings());
  if (saved) {
    setenv("GLIBC_TUNABLES", before.c_str(), 1);
  } else {
    unsetenv("GLIBC_TUNABLES");
  }
  unsetenv("DOCFLT_TEST_MARK");
  ASSERT_TRUE(dumper);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (access(out.c_str(), F_OK) != 0 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(Ms(5));
  std::istringstream env(ReadBytes(out));
  std::vector<std::string> tunables;
  bool marked = false;
  for (std::string var; std::getline(env, var);) {
    if (var.rfind("GLIBC_TUNABLES=", 0) == 0) tunables.push_back(var);
    marked = marked || var == "DOCFLT_TEST_MARK=kept";
  }
  EXPECT_EQ(tunables, std::vector<std::string>{
                          "GLIBC_TUNABLES=glibc.malloc.hugetlb=1:glibc.malloc.perturb=0"});
  EXPECT_TRUE(marked);
}

// Where the system grants huge pages on request only, the release worker's
// heap is eligible for them once a long document has grown it.
TEST(ReleaseWorker, HeapIsEligibleForHugePages) {
  const std::string mode = ReadBytes("/sys/kernel/mm/transparent_hugepage/enabled");
  if (kSanitized || mode.find("[madvise]") == std::string::npos)
    GTEST_SKIP() << "huge pages here are not granted on request only: " << mode;
  const std::unique_ptr<WorkerProcess> worker = StartReleaseWorker();
  ASSERT_TRUE(worker);
  auto eligible = [&] {
    std::istringstream maps(ReadBytes("/proc/" + std::to_string(worker->Pid()) + "/smaps"));
    for (std::string line; std::getline(maps, line);) {
      if (line.rfind("THPeligible:", 0) == 0 && line.back() == '1') return true;
    }
    return false;
  };
  // In this mode only memory asked for huge pages is eligible.
  EXPECT_FALSE(eligible()) << "eligible before anything asked";
  TempDir dir{"hugepages"};
  std::string text;
  while (text.size() < (3u << 20)) text += "A long document grows the worker's heap.\r\n";
  const Deadline deadline = Deadline::In(std::chrono::seconds(20));
  ASSERT_TRUE(HandFile(*worker, dir.File("long.txt", text), deadline));
  MessageType type{};
  ByteBuffer payload;
  ASSERT_EQ(ReceiveMessage(worker->Socket(), deadline, kMaxResultBytes, &type, &payload),
            IoResult::kOk);
  EXPECT_EQ(type, MessageType::kResult);  // too long for the region
  EXPECT_TRUE(eligible());
}
