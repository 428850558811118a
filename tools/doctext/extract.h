// Extracting one document through the plug-in, as a host does.
#pragma once

#include <cstdio>
#include <string>

#include "tools/doctext/plugin.h"

namespace doctext {

struct Outcome {
  FLTRESULT result = FLT_OK;  // the plug-in's (or our callbacks') result code
  std::string error;          // set when the file itself could not be opened
  unsigned long long bytes = 0;
};

// Extracts `path` and writes its text to `out`.
Outcome ExtractDocument(const Plugin& plugin, const std::string& path, bool stream, long codePage,
                        std::FILE* out);

}  // namespace doctext
