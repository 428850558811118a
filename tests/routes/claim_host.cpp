// A host that claims a size of its own choosing for a document it streams from
// a file: for measuring what a claim costs the plug-in (run it under
// /usr/bin/time -v). Prints the result, the text bytes, and the most bytes the
// temporary directory held while the stream was open.
//
//   claim_host PLUGIN DOCUMENT CLAIM [TMPDIR]
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "host/stream_info.h"

namespace {

struct Doc {
  FILTEREDSTREAMINFO info{};  // first: the callbacks find the document by the record
  std::string bytes;
  std::size_t at = 0;
  DWORD claim = 0;
};

LONG FLT_CALLBACK GetSize(FILTEREDSTREAMINFO* info, DWORD* size, DWORD*) {
  *size = reinterpret_cast<Doc*>(info)->claim;
  return 0;
}

LONG FLT_CALLBACK Read(FILTEREDSTREAMINFO* info, void* buffer, DWORD cb, DWORD* got) {
  Doc& d = *reinterpret_cast<Doc*>(info);
  const std::size_t n = std::min<std::size_t>(cb, d.bytes.size() - d.at);
  std::copy(d.bytes.data() + d.at, d.bytes.data() + d.at + n, static_cast<char*>(buffer));
  d.at += n;
  *got = DWORD(n);
  return 0;
}

std::uintmax_t DirectoryBytes(const std::string& dir) {
  std::uintmax_t total = 0;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec))
    total += e.is_regular_file(ec) ? e.file_size(ec) : 0;
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: claim_host PLUGIN DOCUMENT CLAIM [TMPDIR]\n");
    return 2;
  }
  void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 2;
  }
  using Create = FLTRESULT(FLT_API*)(FILTEREDSTREAMINFO*);
  using ReadText = FLTRESULT(FLT_API*)(FILTEREDSTREAMINFO*, void*, DWORD, DWORD*);
  auto create = reinterpret_cast<Create>(dlsym(module, "CreateFilteredStream"));
  auto read = reinterpret_cast<ReadText>(dlsym(module, "ReadFilteredStream"));
  auto close = reinterpret_cast<Create>(dlsym(module, "CloseFilteredStream"));
  if (!create || !read || !close) return 2;

  Doc doc;
  std::ifstream in(argv[2], std::ios::binary);
  doc.bytes.assign(std::istreambuf_iterator<char>(in), {});
  doc.claim = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 0));
  doc.info.cbSize = 24;  // no file name: the document is streamed
  doc.info.pfnGetSize = GetSize;
  doc.info.pfnRead = Read;

  const FLTRESULT rc = create(&doc.info);
  const std::uintmax_t onDisk = argc > 4 ? DirectoryBytes(argv[4]) : 0;
  std::size_t text = 0;
  if (rc == FLT_OK) {
    char buffer[65536];
    for (DWORD got = 1; got;) {
      got = 0;
      if (read(&doc.info, buffer, sizeof(buffer), &got) != FLT_OK) break;
      text += got;
    }
    close(&doc.info);
  }
  std::printf("result %u, %zu text bytes, %zu delivered, %ju bytes in the temporary directory\n",
              rc, text, doc.at, onDisk);
  dlclose(module);
  return rc == FLT_OK ? 0 : 1;
}
