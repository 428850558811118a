// The file calls the temporary-file route relies on, as the platform provides
// them (our POSIX versions; the system's on Windows): unique creation, the name
// form, exclusive opening, and a rename that never replaces.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/route_host.h"

namespace {

#ifdef _WIN32
constexpr char kSep = '\\';
#else
constexpr char kSep = '/';
#endif

TEST(Files, TempFileNamesAreCreatedUniqueInTheWindowsForm) {
  routes::TempDir dir;
  char first[MAX_PATH] = {}, second[MAX_PATH] = {};
  const UINT n1 = GetTempFileNameA(dir.path().c_str(), "DOCUMENT", 0, first);
  const UINT n2 = GetTempFileNameA(dir.path().c_str(), "DOCUMENT", 0, second);
  ASSERT_NE(n1, 0u);
  ASSERT_NE(n2, 0u);
  EXPECT_STRNE(first, second);
  // Only three characters of the prefix, the number in hex, extension TMP.
  for (const auto& [name, n] :
       {std::make_pair(std::string(first), n1), std::make_pair(std::string(second), n2)}) {
    char expected[MAX_PATH];
    std::snprintf(expected, sizeof(expected), "%s%cDOC%X.TMP", dir.path().c_str(), kSep, n);
    EXPECT_STRCASEEQ(name.c_str(), expected);
    std::string bytes = "not empty";
    ASSERT_TRUE(routes::ReadWholeFile(name, &bytes)) << name;
    EXPECT_TRUE(bytes.empty());
  }
  EXPECT_EQ(dir.Entries().size(), 2u);

  // A given number only makes the name; a missing or overlong directory none.
  char named[MAX_PATH] = {};
  EXPECT_EQ(GetTempFileNameA(dir.path().c_str(), "DOC", 0x1A2B, named), 0x1A2Bu);
  EXPECT_STRCASEEQ(named, (dir.path() + kSep + "DOC1A2B.TMP").c_str());
  EXPECT_EQ(GetTempFileNameA(dir.Join("missing").c_str(), "DOC", 0, named), 0u);
  const std::string overlong = dir.path() + kSep + std::string(MAX_PATH, 'x');
  EXPECT_EQ(GetTempFileNameA(overlong.c_str(), "DOC", 0, named), 0u);
  EXPECT_EQ(dir.Entries().size(), 2u);
}

TEST(Files, ExclusiveOpenTruncatesAndKeepsOthersOutUntilClosed) {
  routes::TempDir dir;
  const std::string path = dir.Join("data.bin");
  ASSERT_TRUE(routes::WriteWholeFile(path, "old contents, longer than the new"));
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  HANDLE again = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_EQ(again, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(h, "new", 3, &written, nullptr));
  EXPECT_EQ(written, 3u);
  EXPECT_TRUE(CloseHandle(h));

  std::string bytes;
  ASSERT_TRUE(routes::ReadWholeFile(path, &bytes));
  EXPECT_EQ(bytes, "new");
  again = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                      nullptr);
  EXPECT_NE(again, INVALID_HANDLE_VALUE) << "free again once closed";
  if (again != INVALID_HANDLE_VALUE) CloseHandle(again);

  EXPECT_EQ(CreateFileA((dir.Join("missing") + kSep + "x").c_str(), GENERIC_WRITE, 0, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
            INVALID_HANDLE_VALUE);
}

TEST(Files, MoveNeverReplacesAnExistingFile) {
  routes::TempDir dir;
  const std::string from = dir.Join("a.TMP"), to = dir.Join("a.TMP.DOC");
  ASSERT_TRUE(routes::WriteWholeFile(from, "mine"));
  ASSERT_TRUE(routes::WriteWholeFile(to, "theirs"));
  EXPECT_FALSE(MoveFileA(from.c_str(), to.c_str()));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
  std::string a, b;
  ASSERT_TRUE(routes::ReadWholeFile(from, &a));
  ASSERT_TRUE(routes::ReadWholeFile(to, &b));
  EXPECT_EQ(a, "mine");
  EXPECT_EQ(b, "theirs");

  ASSERT_EQ(std::remove(to.c_str()), 0);
  EXPECT_TRUE(MoveFileA(from.c_str(), to.c_str()));
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.TMP.DOC"});
  ASSERT_TRUE(routes::ReadWholeFile(to, &b));
  EXPECT_EQ(b, "mine");
}

TEST(Files, RacingMovesToOneNameLetExactlyOneWin) {
  routes::TempDir dir;
  constexpr int kThreads = 8;
  for (int round = 0; round < 20; ++round) {
    const std::string target = dir.Join("target" + std::to_string(round));
    std::vector<std::string> sources;
    for (int t = 0; t < kThreads; ++t) {
      sources.push_back(dir.Join("src" + std::to_string(round) + "-" + std::to_string(t)));
      ASSERT_TRUE(routes::WriteWholeFile(sources.back(), std::to_string(t)));
    }
    std::atomic<int> wins{0}, ready{0};
    std::vector<int> won(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        ++ready;
        while (ready.load() < kThreads) {
        }
        if (MoveFileA(sources[t].c_str(), target.c_str())) {
          ++wins;
          won[t] = 1;
        }
      });
    }
    for (std::thread& th : threads) th.join();
    ASSERT_EQ(wins.load(), 1) << "round " << round;
    for (int t = 0; t < kThreads; ++t) {
      EXPECT_EQ(routes::FileExists(sources[t]), won[t] == 0);
      if (won[t]) {
        std::string bytes;
        ASSERT_TRUE(routes::ReadWholeFile(target, &bytes));
        EXPECT_EQ(bytes, std::to_string(t));
      }
    }
  }
}

}  // namespace
