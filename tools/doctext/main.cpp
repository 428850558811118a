// doctext: extracts the text of Word documents through the docflt plug-in.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "tools/doctext/batch.h"
#include "tools/doctext/extract.h"
#include "tools/doctext/inputs.h"
#include "tools/doctext/messages.h"
#include "tools/doctext/options.h"
#include "tools/doctext/plugin.h"
#include "tools/doctext/record.h"

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// DIR/<name without extension>.txt; a name already written in this run gets
// "-2", "-3", ... so that no text overwrites another. Names are compared
// without regard to case: on Windows "A.txt" and "a.txt" are one file.
std::string OutputPath(const std::string& dir, const std::string& input,
                       std::set<std::string>* used) {
  const std::string stem = input == "-" ? "stdin" : fs::path(input).stem().string();
  std::string name = stem + ".txt";
  for (int n = 2; !used->insert(Upper(name)).second; ++n)
    name = stem + "-" + std::to_string(n) + ".txt";
  return (fs::path(dir) / name).string();
}

// A batch allocates and frees a document's buffers over and over. With the
// C library's defaults, buffers above 128 KiB come from fresh mappings and freed
// memory at the top of the heap goes back to the system, so every document
// pays again for zeroed pages (about 5% of a batch of small documents). This
// process lives for one batch: it keeps them instead.
void TuneAllocatorForBatches() {
#ifdef __GLIBC__
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

bool LoadPlugin(const doctext::Options& options, const char* argv0, doctext::Plugin* plugin) {
  std::string error;
  const std::vector<std::string> candidates = options.plugin.empty()
                                                  ? doctext::DefaultPluginPaths(argv0)
                                                  : std::vector<std::string>{options.plugin};
  for (const std::string& candidate : candidates) {
    std::error_code ec;
    if (options.plugin.empty() && !fs::exists(candidate, ec)) continue;
    if (plugin->Load(candidate, &error)) return true;
    std::fprintf(stderr, "doctext: %s: %s\n", candidate.c_str(), error.c_str());
    return false;
  }
  std::fprintf(stderr, "doctext: no plug-in found (looked at %s); use --plugin PATH\n",
               candidates.front().c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  TuneAllocatorForBatches();
#ifdef _WIN32
  // The text goes out byte for byte: no CR before each LF (UTF-16 text
  // especially would be broken by it).
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  doctext::Options options;
  if (const int rc = doctext::ParseOptions(argc, argv, &options)) return rc < 0 ? 0 : rc;

  doctext::Plugin plugin;
  if (!LoadPlugin(options, argv[0], &plugin)) return 2;
  std::unique_ptr<doctext::PropertyReader> properties;
  if (options.properties) {
    properties = std::make_unique<doctext::PropertyReader>();
    std::string error;
    if (!properties->Load(plugin.path(), &error)) {
      std::fprintf(stderr, "doctext: %s: %s\n", plugin.path().c_str(), error.c_str());
      return 2;
    }
  }

  doctext::Inputs inputs(plugin.Extensions());
  inputs.AddArguments(options.inputs);
  if (!options.filesFrom.empty()) {
    std::string error;
    if (!inputs.OpenList(options.filesFrom, options.nulSeparated, &error)) {
      std::fprintf(stderr, "doctext: %s: %s\n", options.filesFrom.c_str(), error.c_str());
      return 2;
    }
  }
  if (!options.outDir.empty()) {
    std::error_code ec;
    fs::create_directories(options.outDir, ec);
    if (ec) {
      std::fprintf(stderr, "doctext: %s: %s\n", options.outDir.c_str(), ec.message().c_str());
      return 2;
    }
  }

  const size_t known = inputs.KnownTotal();
  const bool progress = !options.quiet && (known > 1 || !options.filesFrom.empty()) &&
                        isatty(fileno(stderr)) &&
                        (!options.outDir.empty() || !isatty(fileno(stdout)));
  doctext::RecordWriter writer(options, plugin, properties.get(), progress);

  std::set<std::string> used;
  auto job = [&](std::string path) {
    doctext::Job j;
    j.path = std::move(path);
    if (!options.outDir.empty()) j.outPath = OutputPath(options.outDir, j.path, &used);
    return j;
  };
  std::string path;
  if (options.jobs <= 1) {
    // One thread: the text goes straight to its destination.
    doctext::Extractor extractor(plugin, options.stream, options.codePage);
    while (inputs.Next(&path)) {
      doctext::Job j = job(std::move(path));
      doctext::Done done = writer.Process(&extractor, j, stdout);
      writer.Emit(done, known);
    }
  } else {
    std::vector<std::unique_ptr<doctext::Extractor>> extractors;
    for (unsigned t = 0; t < options.jobs; ++t)
      extractors.push_back(
          std::make_unique<doctext::Extractor>(plugin, options.stream, options.codePage));
    // A window of 64 documents a thread keeps every thread busy while one
    // slow document holds up the writing of those after it (with 16, -j 2 ran
    // 1.41 times as fast as -j 1 over four copies of the corpus; with 64, 1.53).
    // Texts waiting to be written are held to 256 MiB, however large they are.
    doctext::OrderedBatch<doctext::Job, doctext::Done> batch(
        options.jobs, size_t(64) * options.jobs,
        [&](unsigned t, doctext::Job& j) {
          return writer.Process(extractors[t].get(), j, nullptr);
        },
        [&](doctext::Done& done) { writer.Emit(done, known); },
        [](const doctext::Done& done) { return done.output.size(); }, size_t(256) << 20);
    while (inputs.Next(&path)) batch.Add(job(std::move(path)));
    batch.Finish();
  }
  std::fflush(stdout);
  return writer.Summarise() || !inputs.ok() ? 1 : 0;
}
