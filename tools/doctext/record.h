// One document's run from input to output: extracting it (on any thread)
// and writing its text or JSON record with its report (on the main thread,
// in input order).
#pragma once

#include <cstdio>
#include <string>

#include "tools/doctext/extract.h"
#include "tools/doctext/options.h"
#include "tools/doctext/properties.h"

namespace doctext {

struct Job {
  std::string path;     // "-": standard input
  std::string outPath;  // with --out-dir: where the text goes
};

struct Done {
  std::string path;
  Outcome outcome;
  std::string output;  // text or JSON line not yet written
  std::string report;  // the reason for a failure, empty on success
};

class RecordWriter {
 public:
  RecordWriter(const Options& options, const Plugin& plugin, const PropertyReader* properties,
               bool progress)
      : options_(options), plugin_(plugin), properties_(properties), progress_(progress) {}

  // Extracts one document with `extractor`. Text bound for standard output
  // goes to `direct` when it is given, otherwise it is kept in the result.
  // Safe to call from several threads at once, each with its own extractor.
  Done Process(Extractor* extractor, const Job& job, std::FILE* direct) const;
  // Writes what Process kept and reports a failure. `total`: for the
  // progress display, 0 when not known.
  void Emit(const Done& done, size_t total);
  // Prints the closing summary; true when any document failed.
  bool Summarise();

 private:
  // The JSON record; a text that cannot be decoded turns *outcome into a failure.
  std::string JsonLine(const std::string& path, Outcome* outcome, const std::string& raw,
                       const std::string& bytes) const;

  const Options& options_;
  const Plugin& plugin_;
  const PropertyReader* properties_;
  bool progress_;
  size_t documents_ = 0, failed_ = 0;
};

}  // namespace doctext
