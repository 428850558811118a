// doctext's command line.
#pragma once

#include <string>
#include <vector>

namespace doctext {

enum class Format { kText, kJsonLines };

struct Options {
  std::string plugin;     // empty: beside the program or in the install directory
  bool stream = false;    // hand the document only through the read callback
  long codePage = 65001;  // the record's code-page mode
  std::string outDir;     // empty: standard output
  bool quiet = false;     // no progress display
  Format format = Format::kText;
  bool properties = false;  // jsonl records carry the summary properties
  std::string filesFrom;    // a list of inputs ("-": standard input)
  bool nulSeparated = false;
  unsigned jobs = 1;  // documents extracted at once
  std::vector<std::string> inputs;
};

// Parses argv. Returns 0 to go on, otherwise the exit status to end with
// (after printing help or an error).
int ParseOptions(int argc, char** argv, Options* options);

}  // namespace doctext
