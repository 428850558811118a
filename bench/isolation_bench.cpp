// One document parsed in this process and through a worker process, from an
// open file each time as the module does: the difference is what isolation
// costs a document (the round trip, the reply, the switches between the two
// processes). Documents: the corpus files named by ISOLATION_BENCH_FILES
// (colon-separated), or a short and a long one from the corpus.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/storage/byte_sources_posix.h"
#include "wordfilt/formats/any_format.h"
#include "wordfilt/isolation/worker_pool.h"

using namespace wordfilt;

namespace {

std::vector<std::string> Documents() {
  std::vector<std::string> files;
  std::string list =
      std::getenv("ISOLATION_BENCH_FILES") ? std::getenv("ISOLATION_BENCH_FILES") : "";
  if (list.empty()) {
    const std::string docs = std::string(DOCFLT_SHARED_DIR) + "/corpus/docs/";
    list = docs + "poi_47304.doc:" + docs + "tika_testLargeOLEDoc.doc";
  }
  for (std::size_t start = 0; start <= list.size();) {
    const std::size_t end = std::min(list.find(':', start), list.size());
    if (end > start) files.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return files;
}

// As the worker parses an open compound file: through its descriptor, only
// the sectors the text needs.
void InProcess(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      state.SkipWithError("cannot open the document");
      break;
    }
    const auto size = static_cast<std::uint64_t>(lseek(fd, 0, SEEK_END));
    DocumentText doc;
    if (ExtractCompoundFrom(std::make_shared<platform::cfb::FileSource>(fd, size), doc) !=
        LoadStatus::kOk)
      state.SkipWithError("document did not load");
    benchmark::DoNotOptimize(doc.text.data());
  }
}

void Isolated(benchmark::State& state, const std::string& path) {
  isolation::WorkerPool pool(DOCFLT_WORKER_FILE, isolation::Settings(), 1);
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      state.SkipWithError("cannot open the document");
      break;
    }
    isolation::Job job;
    job.file = fd;
    job.fileSize = static_cast<std::uint64_t>(lseek(fd, 0, SEEK_END));
    isolation::Outcome outcome{};
    DocumentText doc;
    if (pool.Run(job, &outcome, &doc) != isolation::Failure::kNone ||
        outcome != isolation::Outcome::kOk)
      state.SkipWithError("worker did not parse the document");
    benchmark::DoNotOptimize(doc.text.data());
    close(fd);
  }
}

const bool kRegistered = [] {
  for (const std::string& path : Documents()) {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    benchmark::RegisterBenchmark(("InProcess/" + name).c_str(), InProcess, path)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("Isolated/" + name).c_str(), Isolated, path)
        ->Unit(benchmark::kMicrosecond);
  }
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
