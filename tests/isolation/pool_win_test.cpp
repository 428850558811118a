// The Windows worker pool against a worker that crashes, spins, exhausts
// memory, exits or lies on marker documents, and one killed from outside:
// each costs exactly its document, and no worker or handle outlives the pool.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "isolation_support.h"
#include "platform/storage/compound_file.h"
#include "wordfilt/doc/compound_streams.h"
#include "wordfilt/doc/extract.h"
#include "wordfilt/formats/any_format.h"
#include "wordfilt/isolation/worker_pool.h"

using namespace wordfilt;
using namespace wordfilt::isolation;
using namespace isotest;
using Ms = std::chrono::milliseconds;

namespace {

constexpr unsigned kTimeout = 2;

struct Result {
  Failure failure = Failure::kNone;
  Outcome outcome = Outcome::kNotWord;
  DocumentText doc;
  Ms took{0};
};

Result RunFile(WorkerPool& pool, const std::string& path) {
  Result r;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  Job job;
  job.file = file;
  job.fileSize = static_cast<std::uint64_t>(size.QuadPart);
  const auto start = std::chrono::steady_clock::now();
  r.failure = pool.Run(job, &r.outcome, &r.doc);
  r.took = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - start);
  CloseHandle(file);
  return r;
}

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
    handlesBefore = FreshHandleMark();
    settings.timeoutSeconds = kTimeout;
    settings.memoryLimitMiB = 128;
    pool.reset(new WorkerPool(DOCFLT_FAULT_WORKER_FILE, settings, 2));
    good = InProcess(SampleDoc());
  }
  void TearDown() override {
    pool.reset();
    EXPECT_TRUE(ChildIds().empty()) << "workers outlived their pool";
    // Slack (handle values step by 4) for a few the runtime opens once.
    EXPECT_LE(FreshHandleMark(), handlesBefore + 16) << "handles leaked";
  }
  void ExpectNextDocumentFine() {
    const Result next = RunFile(*pool, SampleDoc());
    ASSERT_EQ(next.failure, Failure::kNone);
    EXPECT_EQ(Isolated(next), good);
    EXPECT_LE(ChildIds().size(), 2u);
  }
  Settings settings;
  std::unique_ptr<WorkerPool> pool;
  std::uintptr_t handlesBefore = 0;
  std::string good;
  TempDir dir{"pool"};
};

}  // namespace

// The release worker reads files through the handle it is given, the compound
// ones stream by stream: the same text, chunks and properties as in-process.
TEST_F(Pool, ReleaseWorkerParsesAsThisProcessDoesAndIsReused) {
  WorkerPool release(DOCFLT_WORKER_FILE, settings, 2);
  std::vector<std::string> docs = CorpusDocs();
  if (docs.size() > 12) docs.resize(12);
  docs.push_back(SampleDoc());
  docs.push_back(dir.File("plain.txt", "Just some plain text.\r\n"));
  for (const std::string& path : docs) {
    SCOPED_TRACE(path);
    const Result r = RunFile(release, path);
    ASSERT_EQ(r.failure, Failure::kNone);
    EXPECT_EQ(Isolated(r), InProcess(path));
  }
  EXPECT_EQ(ChildIds().size(), 1u);  // one document at a time: one worker
}

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
    const Result r = RunFile(*pool, dir.File(c.mode, Marker(c.mode)));
    EXPECT_EQ(r.failure, c.failure);
    if (c.failure == Failure::kNone) {
      EXPECT_EQ(r.outcome, c.outcome);
    }
    EXPECT_TRUE(r.doc.text.empty() && r.doc.chunks.empty());
    EXPECT_LT(r.took, Ms(kTimeout * 1000 + 3000));
    if (c.failure == Failure::kTimedOut) {
      EXPECT_GE(r.took, Ms(kTimeout * 1000 - 50));
    }
    ExpectNextDocumentFine();
  }
}

TEST_F(Pool, WorkerKilledFromOutsideMidDocument) {
  settings.timeoutSeconds = 60;  // only the kill can end this document early
  pool.reset(new WorkerPool(DOCFLT_FAULT_WORKER_FILE, settings, 2));
  const std::string spin = dir.File("spin", Marker("spin"));
  std::atomic<bool> done{false};
  Result r;
  std::thread run([&] {
    r = RunFile(*pool, spin);
    done = true;
  });
  std::vector<unsigned long> ids;
  for (int waited = 0; ids.empty() && waited < 10000; waited += 20) {
    Sleep(20);
    ids = ChildIds();
  }
  ASSERT_EQ(ids.size(), 1u);
  Sleep(300);  // well into the document
  EXPECT_FALSE(done);
  HANDLE worker = OpenProcess(PROCESS_TERMINATE, FALSE, ids[0]);
  ASSERT_NE(worker, nullptr);
  EXPECT_TRUE(TerminateProcess(worker, 9));
  CloseHandle(worker);
  run.join();
  EXPECT_EQ(r.failure, Failure::kDied);
  EXPECT_LT(r.took, Ms(10000));
  ExpectNextDocumentFine();
}

TEST_F(Pool, StorageStreamsComeOnRequest) {
  const std::string bytes = ReadBytes(SampleDoc());
  auto file = platform::cfb::CompoundFile::OpenMemory(bytes.data(), bytes.size(), nullptr);
  ASSERT_TRUE(file);
  CompoundStreams streams(std::move(file));
  DocumentText expected;
  const LoadStatus status = ExtractText(streams, expected);
  int asked = 0;
  Job job;
  job.readStream = [&](std::u16string_view name, ByteBuffer& out) {
    ++asked;
    return streams.Read(name, out);
  };
  Result r;
  r.failure = pool->Run(job, &r.outcome, &r.doc);
  ASSERT_EQ(r.failure, Failure::kNone);
  EXPECT_EQ(Isolated(r), std::to_string(static_cast<int>(OutcomeOf(status))) + Describe(expected));
  EXPECT_GT(asked, 1);
  // A stream that makes the worker crash costs that document only.
  job.readStream = [](std::u16string_view, ByteBuffer& out) {
    const std::string marker = Marker("crash");
    out.assign(marker.begin(), marker.end());
    return true;
  };
  r.failure = pool->Run(job, &r.outcome, &r.doc);
  EXPECT_EQ(r.failure, Failure::kDied);
  ExpectNextDocumentFine();
}

TEST_F(Pool, MissingWorkerFailsToStart) {
  WorkerPool none(dir.path.string() + "\\absent-worker.exe", settings, 1);
  const Result r = RunFile(none, SampleDoc());
  EXPECT_EQ(r.failure, Failure::kStart);
  EXPECT_TRUE(r.doc.text.empty());
}
