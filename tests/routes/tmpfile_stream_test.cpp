// The temporary-file route: what lands on disk and under which name, which
// result each failure gives, and that the directory is empty once the stream
// is gone, whatever happened. Each test has a directory of its own.
#include "streams/tmpfile_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "tests/support/compound_writer.h"
#include "tests/support/fake_filter.h"
#include "tests/support/route_host.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using routes::Host;

#ifdef _WIN32
constexpr char kSep = '\\';
#else
constexpr char kSep = '/';
#endif

class TmpRoute : public testing::Test {
 protected:
  routes::TempDir dir;
  fake::Factory factory;
  Host host{routes::FillerBytes(200000, 5)};
  std::unique_ptr<CFltTmpFileStream> stream;
  // What the filter found in the file it loaded, and whether the file was
  // still there when the filter's last reference went.
  std::string loaded;
  bool fileAtLastRelease = false;

  void SetUp() override {
    ASSERT_FALSE(dir.path().empty());
    factory.setup = [this](fake::Filter& f) { ReadOnLoad(f); };
    Restart(dir.path());
  }
  // A new stream, and the host's stream from its start.
  void Restart(const std::string& tmpDir) {
    stream = std::make_unique<CFltTmpFileStream>(tmpDir.c_str(), "DOC");
    host.position = 0;
    host.readCalls = 0;
    host.asked.clear();
  }
  void ReadOnLoad(fake::Filter& f) {
    f.onLoadFile = [this](fake::Filter& self, const std::u16string& path) {
      routes::ReadWholeFile(routes::NarrowWidened(path), &loaded);
      return self.loadResult;
    };
    f.onLastRelease = [this](fake::Filter& self) {
      fileAtLastRelease = routes::FileExists(routes::NarrowWidened(self.loadedPath));
    };
  }
  FLTRESULT Open() { return stream->Open(host.info(), &factory); }

  // Destroys the stream; the directory must then hold only `remaining`.
  void DestroyAndExpect(std::vector<std::string> remaining = {}) {
    stream.reset();
    EXPECT_EQ(dir.Entries(), remaining);
  }
  // The stream's file: <dir><sep>DOC<1 to 4 hex digits>.TMP<suffix>.
  void ExpectName(const std::string& suffix) { ExpectNameIn(dir.path(), suffix); }
  void ExpectNameIn(const std::string& where, const std::string& suffix) {
    std::string name = stream->m_szTmpFile;
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string prefix = where + kSep + "DOC";
    for (char& c : prefix) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string tail = ".TMP" + suffix;
    ASSERT_GT(name.size(), prefix.size() + tail.size()) << name;
    const std::string digits =
        name.substr(prefix.size(), name.size() - prefix.size() - tail.size());
    EXPECT_EQ(name.substr(0, prefix.size()), prefix);
    EXPECT_LE(digits.size(), 4u) << name;
    EXPECT_EQ(digits.find_first_not_of("0123456789ABCDEF"), std::string::npos) << name;
    EXPECT_EQ(name.substr(name.size() - tail.size()), tail);
  }
};

TEST_F(TmpRoute, CopiesTheWholeHostStreamWhateverTheSizeAndLoadsTheRenamedCopy) {
  for (DWORD reported : {100u, 0u}) {
    SCOPED_TRACE(reported);
    Restart(dir.path());
    stream->m_cbDocument = reported;
    ASSERT_EQ(Open(), FLT_OK);
    EXPECT_EQ(loaded, host.document);
    EXPECT_EQ(host.asked, std::vector<DWORD>(5, 65536u)) << "four pieces and the end";
    ExpectName(".DOC");
    fake::Filter& f = factory.last();
    std::u16string wide;
    for (const char* p = stream->m_szTmpFile; *p; ++p)
      wide.push_back(static_cast<unsigned char>(*p));
    EXPECT_EQ(f.loadedPath, wide);
    EXPECT_EQ(f.loadMode, 0u);
    EXPECT_EQ((std::vector<std::string>{"QI:file", "Load", "Init", "Release"}), f.events);
    EXPECT_EQ(f.refs, 1u);
    DestroyAndExpect();
    EXPECT_EQ(f.refs, 0u);
    EXPECT_TRUE(fileAtLastRelease) << "the filter goes before its file";
  }
  // An empty stream still becomes a file for the filter.
  Restart(dir.path());
  host.document.clear();
  ASSERT_EQ(Open(), FLT_OK);
  EXPECT_EQ(host.asked, std::vector<DWORD>{65536u});
  EXPECT_TRUE(loaded.empty());
  DestroyAndExpect();
}

TEST_F(TmpRoute, AHandedOverBlockIsWrittenToTheDocumentSizeAndFreedWithoutReading) {
  const std::string doc = routes::FillerBytes(70000, 9);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, doc.size() + 2);
  ASSERT_NE(block, nullptr);
  std::memcpy(GlobalLock(block), doc.data(), doc.size());
  GlobalUnlock(block);
  stream->m_hMem = block;
  stream->m_cbDocument = 50000;  // less than the block holds: exactly this much
  ASSERT_EQ(Open(), FLT_OK);
  EXPECT_EQ(loaded, doc.substr(0, 50000));
  EXPECT_EQ(host.readCalls, 0);
  EXPECT_EQ(stream->m_hMem, nullptr) << "freed before the filter was made";
  DestroyAndExpect();
}

TEST_F(TmpRoute, ABlockThatCannotBeReadGivesTwoAndIsDropped) {
  // One shorter than the document it is said to hold, one that cannot be locked.
  HGLOBAL shortBlock = GlobalAlloc(GMEM_MOVEABLE, 16);
#ifdef _WIN32
  HGLOBAL unlockable = GlobalDiscard(GlobalAlloc(GMEM_MOVEABLE | GMEM_DISCARDABLE, 64));
#else
  alignas(16) static unsigned char foreign[64] = {};  // no block of ours
  HGLOBAL unlockable = foreign;
#endif
  for (HGLOBAL block : {shortBlock, unlockable}) {
    Restart(dir.path());
    ASSERT_NE(block, nullptr);
    stream->m_hMem = block;
    stream->m_cbDocument = 1 << 20;
    EXPECT_EQ(Open(), FLT_ERR_MEMORY);
    EXPECT_EQ(stream->m_hMem, nullptr);
    EXPECT_EQ(factory.createCalls, 0);
    EXPECT_EQ(host.readCalls, 0);
    DestroyAndExpect();
  }
}

TEST_F(TmpRoute, HostReadFailureReturnsTheHostsCodeAndTheCopyIsRemoved) {
  host.failAtCall = 3;
  host.failCode = 0x7777;
  EXPECT_EQ(Open(), 0x7777u);
  EXPECT_EQ(host.readCalls, 3);
  ExpectName("");
  std::string partial;
  ASSERT_TRUE(routes::ReadWholeFile(stream->m_szTmpFile, &partial)) << "closed";
  EXPECT_EQ(partial, host.document.substr(0, 2 * 65536));
  EXPECT_EQ(factory.createCalls, 0);
  DestroyAndExpect();
}

TEST_F(TmpRoute, HostReportingMoreThanAskedIsRefusedAndLeavesNothing) {
  for (int at : {1, 2}) {
    SCOPED_TRACE(at);
    Restart(dir.path());
    host.overReportAtCall = at;
    host.overReportBy = 1;
    EXPECT_EQ(Open(), FLT_ERR_INVALID);
    EXPECT_EQ(host.readCalls, at);
    std::string written;
    ASSERT_TRUE(routes::ReadWholeFile(stream->m_szTmpFile, &written));
    EXPECT_EQ(written, host.document.substr(0, std::size_t(at - 1) * 65536)) << "none of it";
    EXPECT_EQ(factory.createCalls, 0);
    DestroyAndExpect();
  }
}

TEST_F(TmpRoute, AnExistingFinalNameMakesTheRenameFailAndTheTmpFileIsRemoved) {
  static std::string blocker;
  host.context = stream.get();
  host.onRead = [](Host& h, int call) {
    // Once the copy has begun the name is known: take the final name first.
    if (call != 1) return;
    blocker = std::string(static_cast<CFltTmpFileStream*>(h.context)->m_szTmpFile) + ".DOC";
    routes::WriteWholeFile(blocker, "someone else's");
  };
  EXPECT_EQ(Open(), FLT_ERR_FAILED);
  ExpectName("");
  EXPECT_EQ(factory.createCalls, 0);
  std::string kept;
  ASSERT_TRUE(routes::ReadWholeFile(blocker, &kept));
  EXPECT_EQ(kept, "someone else's") << "nothing replaced";
  DestroyAndExpect({blocker.substr(dir.path().size() + 1)});
}

// Files a killed host left behind: the platform's name for number n, under
// its own spelling or with ".DOC" appended, each with contents of its own.
class Leftovers {
 public:
  explicit Leftovers(const std::string& dir) : dir_(dir) {}
  bool Add(UINT n, const char* suffix) {
    char name[FLT_MAX_PATH];
    if (!GetTempFileNameA(dir_.c_str(), "DOC", n, name)) return false;
    const std::string path = std::string(name) + suffix;
    names_.push_back(path.substr(dir_.size() + 1));
    return routes::WriteWholeFile(path, "left by " + names_.back());
  }
  // Every leftover is still there, as it was written.
  void ExpectUntouched() const {
    int changed = 0;
    for (std::size_t i = 0; i < names_.size(); i += names_.size() / 500 + 1) {
      std::string bytes;
      if (!routes::ReadWholeFile(dir_ + kSep + names_[i], &bytes) ||
          bytes != "left by " + names_[i])
        ++changed;
    }
    EXPECT_EQ(changed, 0);
  }
  std::vector<std::string> Sorted() const {
    std::vector<std::string> all = names_;
    std::sort(all.begin(), all.end());
    return all;
  }

 private:
  std::string dir_;
  std::vector<std::string> names_;
};

#ifndef _WIN32
// Tens of thousands of files: on a memory file system where there is one.
std::string ManyFilesBase() { return routes::FileExists("/dev/shm/.") ? "/dev/shm" : ""; }
#endif

TEST_F(TmpRoute, LeftoversUnderEitherSpellingNeverFailAValidDocument) {
#ifdef _WIN32
  routes::TempDir many;
#else
  routes::TempDir many("", ManyFilesBase());
#endif
  ASSERT_FALSE(many.path().empty());
  Leftovers left(many.path());
  // Opens a few documents at once (each must get a name of its own), checks
  // each copy, and closes them: only the leftovers remain.
  enum Form { kFourDigits, kEightDigits, kEither };
  auto openSome = [&](Form form) {
    std::vector<std::unique_ptr<CFltTmpFileStream>> open;
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
      Restart(many.path());
      ASSERT_EQ(Open(), FLT_OK) << i;
      EXPECT_EQ(loaded, host.document);
      const std::string name = stream->m_szTmpFile;
      if (form == kFourDigits) {
        ExpectNameIn(many.path(), ".DOC");
      } else if (form == kEightDigits) {  // <dir><sep>DOC<eight digits>.TMP.DOC
        EXPECT_EQ(name.size(), many.path().size() + 1 + 3 + 8 + 8) << name;
      }
      EXPECT_EQ(std::find(names.begin(), names.end(), name), names.end());
      names.push_back(name);
      open.push_back(std::move(stream));
    }
    open.clear();
    left.ExpectUntouched();
    EXPECT_EQ(many.Entries(), left.Sorted());
  };

#ifdef _WIN32
  // Under Wine each new file costs a scan of the directory, so tens of
  // thousands are out of reach. The system picks by the tick count: the final
  // spelling is taken for the numbers it will pick a little later, and the
  // test waits until it gets there.
  const DWORD lead = 15000, run = 1500, start = GetTickCount() + lead;
  for (DWORD i = 0; i < run; ++i) {
    const UINT n = (start + i) & 0xFFFF;  // the system's pick at that tick
    if (n != 0) {
      ASSERT_TRUE(left.Add(n, ".DOC"));
    }
  }
  if (GetTickCount() - (start - lead) > lead - 500)
    GTEST_SKIP() << "too slow to get ahead of the clock";
  while (GetTickCount() - start > 0x80000000u) Sleep(50);
  Restart(many.path());
  ASSERT_EQ(Open(), FLT_OK);
  // The pick fell in the run; the first free number after the run is taken.
  char expected[FLT_MAX_PATH];
  const UINT after = ((start + run - 1) & 0xFFFF) % 0xFFFF + 1;
  ASSERT_NE(GetTempFileNameA(many.path().c_str(), "DOC", after, expected), 0u);
  EXPECT_EQ(std::string(stream->m_szTmpFile), std::string(expected) + ".DOC");
  EXPECT_EQ(loaded, host.document);
  stream.reset();
  openSome(kEither);
  return;
#endif
  // Three names in four taken under the final spelling, in long runs.
  for (UINT n = 1; n <= 0xFFFF; ++n) {
    if (n % 4096 >= 1024) {
      ASSERT_TRUE(left.Add(n, ".DOC"));
    }
  }
  openSome(kFourDigits);
  // The rest under the platform's own spelling: every number is taken one way
  // or the other, and a longer name is found.
  for (UINT n = 1; n <= 0xFFFF; ++n) {
    if (n % 4096 < 1024) {
      ASSERT_TRUE(left.Add(n, ""));
    }
  }
  openSome(kEightDigits);
  // And every name under the platform's own spelling, so that it cannot
  // pick one at all.
  for (UINT n = 1; n <= 0xFFFF; ++n) {
    if (n % 4096 >= 1024) {
      ASSERT_TRUE(left.Add(n, ""));
    }
  }
  openSome(kEightDigits);
}

TEST_F(TmpRoute, ServerFailuresAfterTheRenameGiveTheirCodesAndTheFinalFileGoes) {
  struct Case {
    const char* what;
    HRESULT create;
    bool persistFile;
    HRESULT load, init;
    FLTRESULT expected;
  };
  const Case cases[] = {
      {"no instance", CLASS_E_CLASSNOTAVAILABLE, true, S_OK, S_OK, FLT_ERR_FAILED},
      {"no IPersistFile", S_OK, false, S_OK, S_OK, FLT_ERR_FAILED},
      // An access refusal while loading the copy reaches the host as a format error.
      {"load: access", S_OK, true, FILTER_E_ACCESS, S_OK, FLT_ERR_FORMAT},
      {"load: format", S_OK, true, FILTER_E_UNKNOWNFORMAT, S_OK, FLT_ERR_FORMAT},
      {"load: password", S_OK, true, FILTER_E_PASSWORD, S_OK, FLT_ERR_PASSWORD},
      {"load: other", S_OK, true, E_FAIL, S_OK, FLT_ERR_FAILED},
      {"init: access", S_OK, true, S_OK, FILTER_E_ACCESS, FLT_ERR_ACCESS},
      {"init: password", S_OK, true, S_OK, FILTER_E_PASSWORD, FLT_ERR_PASSWORD},
      {"init: other", S_OK, true, S_OK, E_FAIL, FLT_ERR_FAILED},
      {"init: positive", S_OK, true, S_OK, S_FALSE, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Restart(dir.path());
    fileAtLastRelease = false;
    factory.createResult = c.create;
    factory.setup = [this, &c](fake::Filter& f) {
      ReadOnLoad(f);
      f.offerPersistFile = c.persistFile;
      f.loadResult = c.load;
      f.initResult = c.init;
    };
    EXPECT_EQ(Open(), c.expected);
    ExpectName(".DOC");
    if (FAILED(c.create)) {
      EXPECT_EQ(stream->m_pFilter, nullptr);
      DestroyAndExpect();
      continue;
    }
    fake::Filter& f = factory.last();
    EXPECT_EQ(f.refs, 1u) << "IPersistFile released";
    EXPECT_EQ(f.initCalls, c.persistFile && SUCCEEDED(c.load) ? 1 : 0);
    DestroyAndExpect();
    EXPECT_EQ(f.refs, 0u);
    EXPECT_TRUE(fileAtLastRelease || f.loadFileCalls == 0);
  }
}

TEST_F(TmpRoute, NoUsableDirectoryGivesFourAndCreatesNothing) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 10);
  CFltTmpFileStream noDir;
  noDir.m_hMem = block;
  EXPECT_EQ(noDir.Open(host.info(), &factory), FLT_ERR_INVALID);
  EXPECT_EQ(noDir.m_hMem, block) << "left for the destruction to free";

  Restart(dir.Join("missing"));
  EXPECT_EQ(Open(), FLT_ERR_INVALID);
  EXPECT_EQ(stream->m_szTmpFile[0], '\0');
  // A directory that does not fit the stream's buffer is not truncated.
  stream->SetTmpDir(std::string(FLT_MAX_PATH, 'x').c_str());
  EXPECT_EQ(stream->m_szTmpDir[0], '\0');
  EXPECT_EQ(Open(), FLT_ERR_INVALID);
  EXPECT_EQ(host.readCalls, 0);
  EXPECT_EQ(factory.createCalls, 0);
  DestroyAndExpect();
}

TEST_F(TmpRoute, ADirectoryWithNoRoomForTheFinalNameGivesFourAndLeavesNothing) {
  // <dir><sep>DOCFFFF.TMP.DOC and the NUL fit 260 bytes for a directory of 243
  // characters; at 244 it depends on the number's digits, so it is refused.
  std::string fits = dir.path();
  while (fits.size() < 243) {
    const std::size_t left = 243 - fits.size() - 1;
    fits +=
        kSep + std::string(left > 100 && left < 103 ? 90 : std::min<std::size_t>(left, 100), 'n');
    if (!routes::MakeDirectory(fits)) GTEST_SKIP() << "no directory paths this long here";
  }
  const std::string tooLong = fits.substr(0, fits.size() - 1) + "mm";
  ASSERT_EQ(fits.size(), 243u);
  ASSERT_TRUE(routes::MakeDirectory(tooLong));

  Restart(tooLong);
  EXPECT_EQ(Open(), FLT_ERR_INVALID);
  EXPECT_EQ(host.readCalls, 0);
  stream.reset();
  EXPECT_TRUE(routes::ListDirectory(tooLong).empty());

  Restart(fits);
  ASSERT_EQ(Open(), FLT_OK);
  EXPECT_EQ(loaded, host.document);
  stream.reset();
  EXPECT_TRUE(routes::ListDirectory(fits).empty());
}

TEST(TmpRouteNames, DirectoryBytesBeyondAsciiReachTheServerAsUnitsOfTheSameValue) {
#ifdef _WIN32
  const std::string suffix = "-\xE9";  // é in the ANSI code page
#else
  const std::string suffix = "-\xC3\xA9";  // é in UTF-8
#endif
  routes::TempDir dir(suffix);
  ASSERT_FALSE(dir.path().empty());
  Host host(routes::FillerBytes(3000, 1));
  fake::Factory factory;
  std::string loaded;
  factory.setup = [&loaded](fake::Filter& f) {
    f.onLoadFile = [&loaded](fake::Filter&, const std::u16string& path) {
      return routes::ReadWholeFile(routes::NarrowWidened(path), &loaded) ? S_OK : E_FAIL;
    };
  };
  auto stream = std::make_unique<CFltTmpFileStream>(dir.path().c_str(), "DOC");
  ASSERT_EQ(stream->Open(host.info(), &factory), FLT_OK);
  std::u16string units;
  for (unsigned char c : suffix) units.push_back(c);
  EXPECT_NE(factory.last().loadedPath.find(units), std::u16string::npos);
  EXPECT_EQ(loaded, host.document);
  stream.reset();
  EXPECT_TRUE(dir.Entries().empty());
}

#ifndef _WIN32
// Files that GetTempFileNameA creates cannot be opened for writing under a
// umask that leaves them read-only, for anyone but root: as root, the case
// runs in a child that has given root up.
TEST_F(TmpRoute, AFileThatCannotBeOpenedForWritingGivesFourAndIsNotLeftBehind) {
  auto body = [this]() {
    const mode_t old = umask(0277);
    Host h("document");
    CFltTmpFileStream s(dir.path().c_str(), "DOC");
    const bool ok =
        s.Open(h.info(), &factory) == FLT_ERR_INVALID && !s.m_szTmpFile[0] && h.readCalls == 0;
    umask(old);
    return ok;
  };
  if (geteuid() != 0) {
    EXPECT_TRUE(body());
  } else {
    chmod(dir.path().c_str(), 0777);
    const pid_t child = fork();
    if (child == 0) _exit(setgid(65534) == 0 && setuid(65534) == 0 && body() ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_TRUE(dir.Entries().empty()) << "the empty file the name request made is gone";
}

TEST_F(TmpRoute, AFailedWriteGivesThreeAndTheCopyIsRemoved) {
  // A file size limit makes the second piece's write fail, then the block's.
  signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit low = old;
  low.rlim_cur = 100000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
  const FLTRESULT fromHost = Open();
  DestroyAndExpect();
  Restart(dir.path());
  stream->m_hMem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 200002);
  stream->m_cbDocument = 200000;
  const FLTRESULT fromBlock = Open();
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_DFL);

  EXPECT_EQ(fromHost, FLT_ERR_ACCESS);
  EXPECT_EQ(fromBlock, FLT_ERR_ACCESS);
  EXPECT_EQ(stream->m_hMem, nullptr) << "freed whatever the write did";
  EXPECT_EQ(factory.createCalls, 0);
  DestroyAndExpect();
}
#endif

}  // namespace
