// The documents of a run, in order: the command line's, then those of a list
// file, read as they are needed so that a pipeline's first names are
// extracted before its last ones are written.
#pragma once

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

namespace doctext {

class Inputs {
 public:
  // `exts`: the plug-in's upper-case extensions, for searching directories.
  Inputs(std::vector<std::string> exts) : exts_(std::move(exts)) {}
  ~Inputs();
  Inputs(const Inputs&) = delete;
  Inputs& operator=(const Inputs&) = delete;

  // Adds command-line inputs (directories are searched at once). False when
  // a directory could not be read completely (reported on standard error).
  bool AddArguments(const std::vector<std::string>& args);
  // Reads further names from `list` ("-": standard input), one a line (a
  // trailing CR is dropped) or NUL-terminated. False when it cannot be opened.
  bool OpenList(const std::string& list, bool nulSeparated, std::string* error);

  // The next document; false at the end.
  bool Next(std::string* path);
  // False when a directory or the list could not be read completely.
  bool ok() const { return ok_; }
  // The number of documents when it is known in advance (no list), else 0.
  size_t KnownTotal() const { return list_ ? 0 : total_; }

 private:
  bool Add(const std::string& input);

  std::vector<std::string> exts_;
  std::deque<std::string> pending_;
  std::FILE* list_ = nullptr;
  bool ownsList_ = false;
  char separator_ = '\n';
  std::string listName_;
  size_t total_ = 0;
  bool ok_ = true;
};

}  // namespace doctext
