// Loading a document by each route, against reading its file once with read().
// The server stand-in opens what it is given as real servers do (StgOpenStorage
// on a path, the IStorage it is handed) and reads every stream to the end; the
// host streams the document from its file with read(), 64 KiB at a time.
//
//   routes_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "streams/file_stream.h"
#include "streams/storage_stream.h"
#include "streams/tmpfile_stream.h"
#include "tests/support/compound_writer.h"
#include "tests/support/fake_filter.h"
#include "tests/support/route_host.h"

namespace {

struct Document {
  routes::TempDir dir;
  std::string path;
  std::vector<std::u16string> names;
  std::size_t fileBytes = 0;
  std::size_t streamBytes = 0;

  explicit Document(std::size_t bytes) {
    const auto streams = routes::DocumentStreams(bytes, 1);
    const std::string file = routes::BuildCompoundFile(streams);
    path = dir.Join("doc.doc");
    routes::WriteWholeFile(path, file);
    names = routes::NamesOf(streams);
    fileBytes = file.size();
    streamBytes = routes::Joined(streams).size();
  }
};

const Document& DocumentOf(std::size_t megabytes) {
  static std::unique_ptr<Document> one, twenty;
  std::unique_ptr<Document>& slot = megabytes == 1 ? one : twenty;
  if (!slot) slot = std::make_unique<Document>(megabytes << 20);
  return *slot;
}

// A host that streams the document from its file. The record comes first, so
// the callbacks find the host through it.
struct FileHost {
  FILTEREDSTREAMINFO info{};
  int fd = -1;
  const char* path;

  explicit FileHost(const std::string& p) : path(p.c_str()) {
    info.cbSize = sizeof(info);
    info.pfnRead = &Read;
    info.pfnGetFileName = &GetFileName;
    fd = open(path, O_RDONLY | O_CLOEXEC);
  }
  ~FileHost() {
    if (fd >= 0) close(fd);
  }
  static LONG Read(FILTEREDSTREAMINFO* info, void* buffer, DWORD cb, DWORD* count) {
    auto* h = reinterpret_cast<FileHost*>(info);
    const ssize_t n = read(h->fd, buffer, cb);
    if (n < 0) return 99;
    *count = static_cast<DWORD>(n);
    return 0;
  }
  static BOOL GetFileName(FILTEREDSTREAMINFO* info, char* path, DWORD cch) {
    auto* h = reinterpret_cast<FileHost*>(info);
    std::snprintf(path, cch, "%s", h->path);
    return TRUE;
  }
};

// Reads every stream on load; the bytes read are checked once per run.
struct ReadingServer {
  fake::Factory factory;
  std::string read;
  explicit ReadingServer(const std::vector<std::u16string>& names) {
    factory.setup = [this, names](fake::Filter& f) {
      f.onLoadFile = [this, names](fake::Filter&, const std::u16string& path) {
        return routes::ReadStreamsOfFile(path, names, &read);
      };
      f.onLoadStorage = [this, names](fake::Filter&, IStorage* storage) {
        return routes::ReadStreams(storage, names, &read);
      };
    };
  }
};

void Finish(benchmark::State& state, const Document& doc, std::size_t lastRead, bool ok) {
  if (!ok || lastRead != doc.streamBytes) state.SkipWithError("the document was not read whole");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(doc.fileBytes));
}

void BM_ReadFileOnce(benchmark::State& state) {
  const Document& doc = DocumentOf(static_cast<std::size_t>(state.range(0)));
  std::vector<char> buffer(65536);
  std::size_t total = 0;
  for (auto _ : state) {
    const int fd = open(doc.path.c_str(), O_RDONLY | O_CLOEXEC);
    total = 0;
    ssize_t n;
    while ((n = read(fd, buffer.data(), buffer.size())) > 0) total += static_cast<std::size_t>(n);
    close(fd);
    benchmark::DoNotOptimize(buffer.data());
  }
  if (total != doc.fileBytes) state.SkipWithError("short read");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(doc.fileBytes));
}

// The yardstick for "one extra copy": the document copied into a new block.
void BM_CopyIntoNewBlock(benchmark::State& state) {
  const Document& doc = DocumentOf(static_cast<std::size_t>(state.range(0)));
  std::string bytes;
  routes::ReadWholeFile(doc.path, &bytes);
  for (auto _ : state) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size() + 2);
    void* p = GlobalLock(block);
    std::memcpy(p, bytes.data(), bytes.size());
    benchmark::DoNotOptimize(p);
    GlobalUnlock(block);
    GlobalFree(block);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(doc.fileBytes));
}

void BM_FileRoute(benchmark::State& state) {
  const Document& doc = DocumentOf(static_cast<std::size_t>(state.range(0)));
  ReadingServer server(doc.names);
  bool ok = true;
  for (auto _ : state) {
    FileHost host(doc.path);
    auto stream = std::make_unique<CFltFileStream>();
    ok = ok && stream->Open(&host.info, &server.factory) == FLT_OK;
    stream.reset();
    server.factory.made.clear();
  }
  Finish(state, doc, server.read.size(), ok);
}

void BM_StorageRoute(benchmark::State& state) {
  const Document& doc = DocumentOf(static_cast<std::size_t>(state.range(0)));
  ReadingServer server(doc.names);
  bool ok = true;
  for (auto _ : state) {
    FileHost host(doc.path);
    auto stream = std::make_unique<CFltStorageStream>();
    stream->m_cbDocument = static_cast<DWORD>(doc.fileBytes);
    ok = ok && stream->Open(&host.info, &server.factory) == FLT_OK;
    stream.reset();
    server.factory.made.clear();
  }
  Finish(state, doc, server.read.size(), ok);
}

void BM_TmpFileRoute(benchmark::State& state) {
  const Document& doc = DocumentOf(static_cast<std::size_t>(state.range(0)));
  ReadingServer server(doc.names);
  routes::TempDir tmp;
  bool ok = true;
  for (auto _ : state) {
    FileHost host(doc.path);
    auto stream = std::make_unique<CFltTmpFileStream>(tmp.path().c_str(), "DOC");
    stream->m_cbDocument = static_cast<DWORD>(doc.fileBytes);
    ok = ok && stream->Open(&host.info, &server.factory) == FLT_OK;
    stream.reset();
    server.factory.made.clear();
  }
  Finish(state, doc, server.read.size(), ok && tmp.Entries().empty());
}

}  // namespace

BENCHMARK(BM_ReadFileOnce)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyIntoNewBlock)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileRoute)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StorageRoute)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TmpFileRoute)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
