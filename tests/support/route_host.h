// A scripted host for driving the routes (its callbacks count their calls and
// record what they were asked), a fresh temporary directory per test, and
// readers that play the part of a filter server opening the document.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/stream_info.h"
#include "platform/storage.h"

namespace routes {

struct FileNameAnswer {
  bool ok = true;
  std::string path;
};

class Host {
 public:
  explicit Host(std::string document = {});
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  FILTEREDSTREAMINFO* info() { return &record_.info; }

  // The bytes pfnRead streams, from the start, strictly in order.
  std::string document;
  std::size_t position = 0;

  // Scripts for pfnRead, by call number (1-based): deliver at most this many
  // bytes; fail with a code; report more bytes than were copied.
  std::vector<std::uint32_t> deliverAtMost;
  int failAtCall = 0;
  LONG failCode = 0;
  int overReportAtCall = 0;
  DWORD overReportBy = 0;
  // Runs at the start of every pfnRead call (the test's hook into the middle of
  // an Open).
  void (*onRead)(Host&, int call) = nullptr;
  void* context = nullptr;

  // pfnGetFileName answers these in turn, the last one repeatedly.
  std::vector<FileNameAnswer> fileNames;

  int readCalls = 0;
  int fileNameCalls = 0;
  std::vector<DWORD> asked;  // the capacity of each pfnRead call

 private:
  struct Record {
    FILTEREDSTREAMINFO info;
    Host* self;
  };
  static Host& From(FILTEREDSTREAMINFO* info);
  static LONG FLT_CALLBACK Read(FILTEREDSTREAMINFO* info, void* buffer, DWORD cb, DWORD* count);
  static BOOL FLT_CALLBACK GetFileName(FILTEREDSTREAMINFO* info, char* path, DWORD cch);

  Record record_{};
};

// A new, empty directory under the system's temporary directory, removed with
// everything in it at destruction.
class TempDir {
 public:
  // `suffix` is appended to the directory's name as raw bytes (to test names
  // beyond ASCII); `base` is where it is made (empty: the system's temporary
  // directory).
  explicit TempDir(const std::string& suffix = {}, const std::string& base = {});
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }  // narrow, no trailing separator
  std::vector<std::string> Entries() const;          // names of what is in it
  std::string Join(const std::string& name) const;

 private:
  std::string path_;
};

// Names of what is in a directory, sorted.
std::vector<std::string> ListDirectory(const std::string& path);

// Plain file helpers on narrow paths, through the C runtime.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool ReadWholeFile(const std::string& path, std::string* bytes);
bool FileExists(const std::string& path);
bool MakeDirectory(const std::string& path);

// Reads every named stream of a storage in 64 KiB steps; the concatenation.
HRESULT ReadStreams(IStorage* storage, const std::vector<std::u16string>& names,
                    std::string* bytes);
// Opens a compound file by the UTF-16 path a server receives and reads its streams.
HRESULT ReadStreamsOfFile(const std::u16string& path, const std::vector<std::u16string>& names,
                          std::string* bytes);

// Narrows a path that a route widened byte by byte (the inverse the servers use).
std::string NarrowWidened(const std::u16string& path);

}  // namespace routes
