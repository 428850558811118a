// A test host: documents handed to the library through a record whose
// callbacks read from memory, a plug-in module loaded from a folder of its own,
// and the helpers the end-to-end tests share.
#pragma once

#include <string>
#include <vector>

#include "host/stream_info.h"

namespace e2e {

struct Document {
  FILTEREDSTREAMINFO info{};
  std::string bytes;  // the document, served by pfnRead
  size_t at = 0;      // read position
  std::string path;   // served by pfnGetFileName when non-empty
  LONG codePage = FLT_CP_DEFAULT;
  int readCalls = 0;
  int fileNameCalls = 0;

  // A record for `path`; with `byPath` false the host gives no file path and
  // the library must stream the bytes.
  Document(const std::string& path, bool byPath, LONG codePage);
};

std::string ReadFile(const std::string& path);
std::string CorpusDir();  // empty when the shared corpus is absent
std::vector<std::string> CorpusDocs();

// A fresh, empty directory, removed with its contents by the destructor.
struct TempDir {
  TempDir();
  ~TempDir();
  std::vector<std::string> Entries() const;
  std::string path;
};

// The plug-in module copied into its own folder with a settings file that
// names the bundled server and a temporary directory, loaded as a host loads it.
class Plugin {
 public:
  explicit Plugin(const std::string& tmpDir);
  ~Plugin();
  bool loaded() const { return module_ != nullptr; }

  // Creates, reads to the end (buffers of `cb` bytes) and closes; the text in
  // *text, the result of the first call that failed, or FLT_OK.
  FLTRESULT Extract(Document* doc, std::string* text, DWORD cb = 65536);

  const char*(FLT_API* getExtensions)() = nullptr;
  FLTRESULT(FLT_API* create)(FILTEREDSTREAMINFO*) = nullptr;
  FLTRESULT(FLT_API* read)(FILTEREDSTREAMINFO*, void*, DWORD, DWORD*) = nullptr;
  FLTRESULT(FLT_API* close)(FILTEREDSTREAMINFO*) = nullptr;

 private:
  TempDir dir_;
  void* module_ = nullptr;
};

// Converts bytes in a code page to UTF-8 through the platform, for comparing.
std::string ToUtf8(const std::string& bytes, UINT codePage);

}  // namespace e2e
