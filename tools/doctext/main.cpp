// doctext: extracts the text of Word documents through the docflt plug-in.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
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

#include "tools/doctext/extract.h"
#include "tools/doctext/messages.h"
#include "tools/doctext/options.h"
#include "tools/doctext/plugin.h"

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Files named on the command line are taken whatever their extension;
// directories contribute the files with the plug-in's extensions, in sorted order.
bool CollectInputs(const std::vector<std::string>& inputs, const std::vector<std::string>& exts,
                   std::vector<std::string>* files) {
  bool ok = true;
  for (const std::string& input : inputs) {
    std::error_code ec;
    if (fs::is_directory(input, ec)) {
      std::vector<std::string> found;
      fs::recursive_directory_iterator it(input, fs::directory_options::skip_permission_denied, ec);
      for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string ext = Upper(it->path().extension().string());
        if (!ext.empty()) ext.erase(0, 1);
        if (std::find(exts.begin(), exts.end(), ext) != exts.end())
          found.push_back(it->path().string());
      }
      if (ec) {
        std::fprintf(stderr, "doctext: %s: %s\n", input.c_str(), ec.message().c_str());
        ok = false;
      }
      std::sort(found.begin(), found.end());
      files->insert(files->end(), found.begin(), found.end());
    } else {
      files->push_back(input);
    }
  }
  return ok;
}

// DIR/<name without extension>.txt; a name already written in this run gets
// "-2", "-3", ... so that no text overwrites another. Names are compared
// without regard to case: on Windows "A.txt" and "a.txt" are one file.
std::string OutputPath(const std::string& dir, const std::string& input,
                       std::set<std::string>* used) {
  const std::string stem = fs::path(input).stem().string();
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
  std::string error;
  bool loaded = false;
  std::vector<std::string> candidates = options.plugin.empty()
                                            ? doctext::DefaultPluginPaths(argv[0])
                                            : std::vector<std::string>{options.plugin};
  for (const std::string& candidate : candidates) {
    std::error_code ec;
    if (options.plugin.empty() && !fs::exists(candidate, ec)) continue;
    if (plugin.Load(candidate, &error)) {
      loaded = true;
      break;
    }
    std::fprintf(stderr, "doctext: %s: %s\n", candidate.c_str(), error.c_str());
    return 2;
  }
  if (!loaded) {
    std::fprintf(stderr, "doctext: no plug-in found (looked at %s); use --plugin PATH\n",
                 candidates.front().c_str());
    return 2;
  }
  std::vector<std::string> files;
  bool ok = CollectInputs(options.inputs, plugin.Extensions(), &files);
  if (!options.outDir.empty()) {
    std::error_code ec;
    fs::create_directories(options.outDir, ec);
    if (ec) {
      std::fprintf(stderr, "doctext: %s: %s\n", options.outDir.c_str(), ec.message().c_str());
      return 2;
    }
  }
  const bool progress = !options.quiet && files.size() > 1 && isatty(fileno(stderr)) &&
                        (!options.outDir.empty() || !isatty(fileno(stdout)));
  std::set<std::string> used;
  size_t failed = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string& path = files[i];
    if (progress) std::fprintf(stderr, "\r\033[K[%zu/%zu] %s", i + 1, files.size(), path.c_str());
    std::FILE* out = stdout;
    std::string outPath;
    if (!options.outDir.empty()) {
      outPath = OutputPath(options.outDir, path, &used);
      out = std::fopen(outPath.c_str(), "wb");
      if (!out) {
        std::fprintf(stderr, "%sdoctext: %s: cannot write %s\n", progress ? "\r\033[K" : "",
                     path.c_str(), outPath.c_str());
        ++failed;
        continue;
      }
    }
    const doctext::Outcome outcome =
        doctext::ExtractDocument(plugin, path, options.stream, options.codePage, out);
    if (out != stdout) std::fclose(out);
    if (!outcome.error.empty() || outcome.result != FLT_OK) {
      ++failed;
      if (!outPath.empty()) {
        std::error_code ec;
        fs::remove(outPath, ec);  // no half or empty output for a failed document
      }
      if (!outcome.error.empty()) {
        std::fprintf(stderr, "%sdoctext: %s: %s\n", progress ? "\r\033[K" : "", path.c_str(),
                     outcome.error.c_str());
      } else {
        std::fprintf(stderr, "%sdoctext: %s: %s (result %lu)\n", progress ? "\r\033[K" : "",
                     path.c_str(), doctext::DescribeResult(outcome.result).c_str(),
                     static_cast<unsigned long>(outcome.result));
      }
    }
  }
  std::fflush(stdout);
  if (progress) std::fprintf(stderr, "\r\033[K");
  if (files.size() > 1 || failed)
    std::fprintf(stderr, "doctext: %zu documents, %zu extracted, %zu failed\n", files.size(),
                 files.size() - failed, failed);
  return (failed || !ok) ? 1 : 0;
}
