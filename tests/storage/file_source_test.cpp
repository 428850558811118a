// Reading an open file for the compound-file reader: every range reads as the
// file holds it, a small file whole at the first read (later changes to it are
// not seen), a larger one as asked (they are).
#ifndef _WIN32
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/storage/byte_sources_posix.h"

namespace {

std::string Pattern(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>(i * 13 + i / 509);
  return s;
}

struct TempFile {
  explicit TempFile(const std::string& bytes) {
    char name[] = "/tmp/docflt-source-XXXXXX";
    const int fd = mkstemp(name);
    path = name;
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
  }
  ~TempFile() { std::remove(path.c_str()); }
  void Overwrite(std::size_t at, const std::string& bytes) const {
    const int fd = open(path.c_str(), O_WRONLY);
    EXPECT_EQ(pwrite(fd, bytes.data(), bytes.size(), off_t(at)),
              static_cast<ssize_t>(bytes.size()));
    close(fd);
  }
  std::string path;
};

std::string Read(const platform::cfb::FileSource& source, std::uint64_t at, std::size_t n) {
  std::vector<char> buffer(n + 1);
  std::size_t got = 0;
  EXPECT_TRUE(source.readAt(at, buffer.data(), n, &got));
  return std::string(buffer.data(), got);
}

}  // namespace

TEST(FileSource, EveryRangeReadsAsTheFileHoldsIt) {
  for (const std::size_t size : {std::size_t(0), std::size_t(300), std::size_t(32 * 1024),
                                 std::size_t(32 * 1024 + 1), std::size_t(100000)}) {
    const std::string bytes = Pattern(size);
    TempFile file(bytes);
    platform::cfb::FileSource source(open(file.path.c_str(), O_RDONLY | O_CLOEXEC), size);
    for (const std::uint64_t at :
         {std::uint64_t(0), std::uint64_t(100), std::uint64_t(511), std::uint64_t(512),
          std::uint64_t(size / 2), std::uint64_t(size), std::uint64_t(size + 10)}) {
      for (const std::size_t n :
           {std::size_t(0), std::size_t(1), std::size_t(512), std::size_t(5000)}) {
        const std::string expect = at >= size ? "" : bytes.substr(at, n);
        EXPECT_EQ(Read(source, at, n), expect) << size << " bytes, " << n << " at " << at;
      }
    }
  }
}

TEST(FileSource, ASmallFileIsReadWholeOnceALargerOneAsAsked) {
  // What a read in the middle shows once those bytes changed on disk, and what
  // the file held there before.
  auto afterChange = [](std::size_t size) {
    const std::string bytes = Pattern(size);
    TempFile file(bytes);
    platform::cfb::FileSource source(open(file.path.c_str(), O_RDONLY | O_CLOEXEC), size);
    EXPECT_EQ(Read(source, 0, 8), bytes.substr(0, 8));
    file.Overwrite(size / 2, "changed");
    return std::make_pair(Read(source, size / 2, 7), bytes.substr(size / 2, 7));
  };
  const auto small = afterChange(20000);
  EXPECT_EQ(small.first, small.second);
  EXPECT_EQ(afterChange(200000).first, "changed");
}
#endif
