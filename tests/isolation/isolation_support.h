// What the isolation tests check around each case: the processes this test
// started, its open descriptors, and files for marker documents.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "wordfilt/doc/document_text.h"

namespace isotest {

#ifdef _WIN32
// The running processes this process started, by id.
std::vector<unsigned long> ChildIds();
// The highest value among a few handles opened now: leaked handles push it up
// (this process's handle count is not reported under Wine).
std::uintptr_t FreshHandleMark();
#else
struct Child {
  pid_t pid;
  char state;  // 'Z' for a zombie
};
// This process's child processes, from /proc.
std::vector<Child> Children();
std::size_t ZombieCount();
// Waits up to `ms` for a child to appear; its pid, or -1.
pid_t WaitForChild(int ms);
// The number of descriptors this process holds open.
std::size_t OpenFdCount();
#endif

// A fresh directory under the system's temporary directory, removed at the end.
struct TempDir {
  explicit TempDir(const std::string& tag);
  ~TempDir();
  std::string File(const std::string& name, const std::string& bytes) const;
  bool Empty() const;
  std::filesystem::path path;
};

std::string ReadBytes(const std::string& path);
// A marker document that makes the test worker misbehave.
std::string Marker(const std::string& mode);
// The bundled sample document; the corpus documents when present.
std::string SampleDoc();
std::vector<std::string> CorpusDocs();

// Text, chunk layout and properties as one comparable string.
std::string Describe(const wordfilt::DocumentText& doc);

}  // namespace isotest
