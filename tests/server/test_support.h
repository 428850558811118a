// What the start-up tests share: private temporary directories, loaded
// modules, the fake servers' knobs, and keys of the classes root (a
// registration file on POSIX, the registry under Wine).
#pragma once

#include <string>
#include <vector>

#include "platform/win_types.h"
#include "tests/server/fake_server.h"

namespace server_test {

// A directory of its own for one test, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // The path of a file in the directory, with the platform's separator.
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);  // "" when missing
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// A build-time path as the platform's file functions take it (under Wine a
// Unix path needs its drive).
std::string NativePath(const char* path);

// A module loaded for the test's life.
class LoadedModule {
 public:
  explicit LoadedModule(const std::string& path);
  ~LoadedModule();
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  HMODULE handle() const { return handle_; }
  void* Symbol(const char* name) const;

 private:
  HMODULE handle_;
};

// A copy of the stand-in plug-in module under the given file name in dir,
// loaded; its handle is what the module-load hook would pass to Init.
class PluginCopy {
 public:
  PluginCopy(const TempDir& dir, const std::string& fileName);
  HMODULE handle() const { return module_.handle(); }
  const std::string& path() const { return path_; }
  void* Symbol(const char* name) const { return module_.Symbol(name); }

 private:
  std::string path_;
  LoadedModule module_;
};

// One of the fake servers, loaded so that the test can set its mode and read
// its counts; the manager's own load of the same file finds the same instance.
class FakeServer {
 public:
  explicit FakeServer(const char* buildPath, std::uint32_t mode = 0);
  const std::string& path() const { return path_; }
  void SetMode(std::uint32_t mode);  // also zeroes the call counts
  fake_server::Stats Stats() const;

 private:
  std::string path_;
  LoadedModule module_;
};

// Keys under the classes root written for one test and removed afterwards:
// on POSIX a registration file in the test's directory that the registry
// functions read; under Wine the registry itself.
class ClassesRootKeys {
 public:
  explicit ClassesRootKeys(const TempDir& dir);
  ~ClassesRootKeys();
  ClassesRootKeys(const ClassesRootKeys&) = delete;
  ClassesRootKeys& operator=(const ClassesRootKeys&) = delete;
  // Creates the key (path below the classes root) with the default value.
  void Set(const std::string& key, const std::string& value);
  // Creates the key without a default value.
  void Create(const std::string& key);

 private:
#ifdef _WIN32
  std::vector<std::string> created_;  // keys that did not exist before, to delete
#else
  std::string file_;
  std::string text_;
#endif
};

// Registers serverPath for the extension through the three keys the manager
// reads: persistent handler, filter add-in, in-process server.
void RegisterServer(ClassesRootKeys* keys, const std::string& extension,
                    const std::string& serverPath);

// Under Wine: the prefix registers a server for ".DOC" that these tests did
// not write; tests that register their own must not touch it and skip.
bool ForeignDocRegistration();

}  // namespace server_test
