// Extracting one document through the plug-in, as a host does.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "tools/doctext/plugin.h"

namespace doctext {

struct Outcome {
  FLTRESULT result = FLT_OK;  // the plug-in's (or our callbacks') result code
  std::string error;          // set when the input itself could not be opened or read
  unsigned long long bytes = 0;
};

// One thread's extractions: its own record per document and its own buffer.
class Extractor {
 public:
  Extractor(const Plugin& plugin, bool stream, long codePage)
      : plugin_(plugin), stream_(stream), codePage_(codePage), buffer_(new char[kBuffer]) {}

  // Extracts the file at `path` and writes its text to `out`, or appends it to
  // `text` when `out` is null.
  Outcome File(const std::string& path, std::FILE* out, std::string* text);
  // Extracts a document held in memory (read from standard input), handed
  // over only through the read callback.
  Outcome Bytes(const std::string& bytes, std::FILE* out, std::string* text);

  // The record and what its callbacks read, one per document.
  struct Document;

 private:
  Outcome Run(Document* doc, std::FILE* out, std::string* text);

  const Plugin& plugin_;
  bool stream_;
  long codePage_;
  // One per thread for the whole run, and not zero-filled: for a small
  // document that would be most of the pages it touches.
  static constexpr size_t kBuffer = 1 << 16;
  std::unique_ptr<char[]> buffer_;
};

// Reads all of standard input (as bytes). False, with the reason, on a read error.
bool ReadStandardInput(std::string* bytes, std::string* error);

}  // namespace doctext
