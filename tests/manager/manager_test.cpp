// The manager's side of a document: the order of the routes, what each costs
// the host, which block reaches the temporary copy, the code-page mode a stream
// gets, and the answers for missing records and streams. The server is the
// scriptable one; the memory measure is the test's, so the storage route's
// threshold can be met exactly. A block lost on the way shows as a leak in the
// sanitizer build.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/text.h"
#include "server/fltdll.h"
#include "streams/file_stream.h"
#include "streams/memory_status.h"
#include "streams/storage_stream.h"
#include "streams/tmpfile_stream.h"
#include "tests/support/compound_writer.h"
#include "tests/support/fake_filter.h"
#include "tests/support/route_host.h"

namespace {

// A host document: bytes served in order, an optional path, a code-page mode,
// and a count of every callback.
struct Doc {
  FILTEREDSTREAMINFO info{};  // first: the callbacks find the document by the record
  std::string bytes;
  std::size_t at = 0;
  DWORD size;  // what pfnGetSize reports
  LONG sizeResult = 0;
  std::string path;
  BOOL nameAnswer;  // what pfnGetFileName answers
  LONG codePage = FLT_CP_DEFAULT;
  int failReadAt = 0;  // this pfnRead call fails with 77
  bool outValuesZeroed = false;
  int sizeCalls = 0, readCalls = 0, nameCalls = 0, codePageCalls = 0;

  explicit Doc(std::string b, std::string p = {})
      : bytes(std::move(b)),
        size(DWORD(bytes.size())),
        path(std::move(p)),
        nameAnswer(!path.empty()) {
    info.cbSize = sizeof(info);
    info.pfnGetSize = GetSize;
    info.pfnRead = Read;
    info.pfnGetFileName = GetName;
    info.pfnGetCodePage = GetCodePage;
  }
  static Doc& Of(FILTEREDSTREAMINFO* info) { return *reinterpret_cast<Doc*>(info); }
  static LONG FLT_CALLBACK GetSize(FILTEREDSTREAMINFO* info, DWORD* size, DWORD* second) {
    Doc& d = Of(info);
    ++d.sizeCalls;
    d.outValuesZeroed = *size == 0 && *second == 0;
    *size = d.size;
    *second = 0xDEADBEEFu;  // never looked at
    return d.sizeResult;
  }
  static LONG FLT_CALLBACK Read(FILTEREDSTREAMINFO* info, void* buffer, DWORD cb, DWORD* got) {
    Doc& d = Of(info);
    if (++d.readCalls == d.failReadAt) return 77;
    const std::size_t n = std::min<std::size_t>(cb, d.bytes.size() - d.at);
    std::memcpy(buffer, d.bytes.data() + d.at, n);
    d.at += n;
    *got = DWORD(n);
    return 0;
  }
  static BOOL FLT_CALLBACK GetName(FILTEREDSTREAMINFO* info, char* path, DWORD cch) {
    Doc& d = Of(info);
    ++d.nameCalls;
    std::snprintf(path, cch, "%s", d.path.c_str());
    return d.nameAnswer;
  }
  static LONG FLT_CALLBACK GetCodePage(FILTEREDSTREAMINFO* info) {
    ++Of(info).codePageCalls;
    return Of(info).codePage;
  }
};

DWORD g_memory = 0;
int g_memoryAsks = 0;
DWORD TestMemory() {
  ++g_memoryAsks;
  return g_memory;
}

enum class Route { None, File, Storage, TmpFile };
Route RouteOf(const FILTEREDSTREAMINFO& info) {
  auto* s = static_cast<CFltStream*>(info.pStream);
  if (dynamic_cast<CFltFileStream*>(s)) return Route::File;
  if (dynamic_cast<CFltStorageStream*>(s)) return Route::Storage;
  if (dynamic_cast<CFltTmpFileStream*>(s)) return Route::TmpFile;
  return Route::None;
}

const char kDocPath[] = "host-document.doc";
std::string CompoundDoc() { return routes::BuildCompoundFile(routes::DocumentStreams(100000, 3)); }

class Manager : public testing::Test {
 protected:
  routes::TempDir tmp;
  fake::Factory factory;  // outlives the manager, which releases it
  CFltdll mgr;
  // What the filter answers to a load by each route.
  HRESULT fileLoad = S_OK, storageLoad = S_OK, copyLoad = S_OK;
  std::string copied;           // what the temporary-file route's filter found on disk
  int readsAtStorageLoad = -1;  // host reads done when the storage route's filter loaded
  Doc* doc = nullptr;

  void SetUp() override {
    ASSERT_FALSE(tmp.path().empty());
    CoInitialize(nullptr);  // balanced by the manager's destructor
    factory.AddRef();
    mgr.m_pFactory = &factory;
    mgr.m_bPersistStorage = 1;
    std::snprintf(mgr.m_szTmpDir, sizeof(mgr.m_szTmpDir), "%s", tmp.path().c_str());
    g_memory = 0xFFFFFFFFu;
    g_memoryAsks = 0;
    SetAvailableMemoryMeasure(&TestMemory);
    factory.setup = [this](fake::Filter& f) {
      f.chunks.push_back(fake::TextChunk(u"text"));
      f.onLoadFile = [this](fake::Filter&, const std::u16string& wide) {
        const std::string path = routes::NarrowWidened(wide);
        if (path == kDocPath) return fileLoad;
        routes::ReadWholeFile(path, &copied);
        return copyLoad;
      };
      f.onLoadStorage = [this](fake::Filter&, IStorage*) {
        readsAtStorageLoad = doc->readCalls;
        return storageLoad;
      };
    };
  }
  void TearDown() override {
    SetAvailableMemoryMeasure(nullptr);
    EXPECT_TRUE(tmp.Entries().empty()) << "a temporary copy outlived its stream";
  }
  FLTRESULT Create(Doc& d) {
    doc = &d;
    return mgr.CreateFilteredStreamEx(&d.info);
  }
  void Close(Doc& d) { EXPECT_EQ(mgr.CloseFilteredStreamEx(&d.info), FLT_OK); }
};

TEST_F(Manager, FileRouteWinsWithoutReadingTheHostsStream) {
  Doc d(CompoundDoc(), kDocPath);
  ASSERT_EQ(Create(d), FLT_OK);
  EXPECT_EQ(RouteOf(d.info), Route::File);
  EXPECT_TRUE(d.outValuesZeroed);
  EXPECT_EQ(d.nameCalls, 2);
  EXPECT_EQ(d.readCalls + g_memoryAsks, 0);
  EXPECT_EQ(static_cast<CFltStream*>(d.info.pStream)->m_cbDocument, d.size);

  // Reads reach the published stream; after close they reach nothing and leave
  // the count alone; a second close does nothing.
  char buf[64];
  DWORD got = 0;
  EXPECT_EQ(mgr.ReadFilteredStreamEx(&d.info, buf, sizeof(buf), &got), FLT_OK);
  EXPECT_EQ(std::string(buf, got), "text");
  Close(d);
  EXPECT_EQ(d.info.pStream, nullptr);
  EXPECT_EQ(factory.last().refs, 0u);
  got = 42;
  EXPECT_EQ(mgr.ReadFilteredStreamEx(&d.info, buf, sizeof(buf), &got), FLT_OK);
  EXPECT_EQ(got, 42u);
  Close(d);
}

TEST_F(Manager, EachRefusalFallsThroughToTheNextRoute) {
  Doc a(CompoundDoc(), kDocPath);
  fileLoad = FILTER_E_PASSWORD;
  ASSERT_EQ(Create(a), FLT_OK);
  EXPECT_EQ(RouteOf(a.info), Route::Storage);
  ASSERT_EQ(factory.made.size(), 2u);
  EXPECT_EQ(factory.made[0]->refs, 0u);  // the refused instance went with its stream
  EXPECT_EQ(g_memoryAsks, 1);
  Close(a);

  // The storage route refuses after reading: the copy is written from its
  // block, and the host is not read again.
  Doc b(CompoundDoc(), kDocPath);
  storageLoad = FILTER_E_UNKNOWNFORMAT;
  ASSERT_EQ(Create(b), FLT_OK);
  EXPECT_EQ(RouteOf(b.info), Route::TmpFile);
  EXPECT_GT(readsAtStorageLoad, 0);
  EXPECT_EQ(b.readCalls, readsAtStorageLoad);
  EXPECT_EQ(copied, b.bytes);
  Close(b);

  // An empty path counts as none; data that is no compound file fails the
  // storage route after it was read, with the same hand-over.
  Doc c(routes::FillerBytes(150000, 9));
  c.nameAnswer = TRUE;
  ASSERT_EQ(Create(c), FLT_OK);
  EXPECT_EQ(RouteOf(c.info), Route::TmpFile);
  EXPECT_EQ(c.nameCalls, 1);
  EXPECT_EQ(copied, c.bytes);
  const DWORD piece = CFltStorageStream::kReadPiece;
  EXPECT_EQ(c.readCalls, int((c.size + piece - 1) / piece));
  Close(c);
}

TEST_F(Manager, EveryRouteFailingGivesTheLastRoutesResult) {
  Doc d(CompoundDoc(), kDocPath);
  fileLoad = FILTER_E_ACCESS;         // 3
  storageLoad = FILTER_E_PASSWORD;    // 6
  copyLoad = FILTER_E_UNKNOWNFORMAT;  // 1
  int earlier = 0;
  d.info.pStream = &earlier;
  EXPECT_EQ(Create(d), FLT_ERR_FORMAT);
  EXPECT_EQ(d.info.pStream, nullptr);
  ASSERT_EQ(factory.made.size(), 3u);
  for (const auto& f : factory.made) EXPECT_EQ(f->refs, 0u);
  char buf[8];
  DWORD got = 42;
  EXPECT_EQ(mgr.ReadFilteredStreamEx(&d.info, buf, sizeof(buf), &got), FLT_OK);
  EXPECT_EQ(got, 42u);
}

TEST_F(Manager, StorageRouteNeedsTheFlagAndMoreThanTwiceTheSize) {
  const std::string bytes = CompoundDoc();
  const DWORD size = DWORD(bytes.size());
  auto routeFor = [&](BOOL flag, DWORD memory, int asks) {
    mgr.m_bPersistStorage = flag;
    g_memory = memory;
    g_memoryAsks = 0;
    Doc d(bytes);
    EXPECT_EQ(Create(d), FLT_OK);
    EXPECT_EQ(g_memoryAsks, asks);
    const Route route = RouteOf(d.info);
    Close(d);
    return route;
  };
  EXPECT_EQ(routeFor(0, 0xFFFFFFFFu, 0), Route::TmpFile);
  EXPECT_EQ(routeFor(1, 2 * size, 1), Route::TmpFile);
  EXPECT_EQ(routeFor(1, 2 * size + 1, 1), Route::Storage);
  SetAvailableMemoryMeasure(nullptr);  // the machine's own measure admits it too
  EXPECT_EQ(routeFor(1, 0, 0), Route::Storage);
  SetAvailableMemoryMeasure(&TestMemory);

  // A reported size of 0: the storage route refuses, the copy takes it all.
  Doc empty(routes::FillerBytes(150000, 2));
  empty.size = 0;
  ASSERT_EQ(Create(empty), FLT_OK);
  EXPECT_EQ(RouteOf(empty.info), Route::TmpFile);
  EXPECT_EQ(copied, empty.bytes);
  Close(empty);

  // 2 GiB or more, even with all the memory 32 bits can tell. The host fails
  // its first read, so the result shows that the copy read first.
  for (DWORD huge : {0x80000000u, 0xC0000000u}) {
    Doc d(routes::FillerBytes(1000, 1));
    d.size = huge;
    d.failReadAt = 1;
    g_memoryAsks = 0;
    EXPECT_EQ(Create(d), 77u) << huge;
    EXPECT_EQ(d.readCalls + g_memoryAsks, 2) << huge;
  }
}

TEST_F(Manager, CodePageModeComesFromTheHost) {
  const DWORD full = sizeof(FILTEREDSTREAMINFO);
  struct Case {
    DWORD cbSize;
    bool nameCallback;
    LONG answer, mode;
    int codePageCalls, nameCalls;
  };
  const Case cases[] = {
      {full, true, FLT_CP_UNICODE, FLT_CP_UNICODE, 1, 2},
      {full, true, FLT_CP_ANSI, LONG(GetACP()), 1, 2},
      {full, true, FLT_CP_DEFAULT, FLT_CP_DEFAULT, 1, 2},
      {full, true, 1251, 1251, 1, 2},
      {full, true, 0, 0, 1, 2},
      {full, true, CP_OEMCP, CP_OEMCP, 1, 2},
      {full, true, CP_THREAD_ACP, CP_THREAD_ACP, 1, 2},
      // Beyond cbSize, or without a file-name callback beside it: not asked.
      {kFltRecordCodePageOffset, true, 1251, FLT_CP_DEFAULT, 0, 2},
      {full, false, 1251, FLT_CP_DEFAULT, 0, 0},
      {kFltRecordFileNameOffset, true, 1251, FLT_CP_DEFAULT, 0, 0},
  };
  for (const Case& c : cases) {
    Doc d(routes::FillerBytes(5000, 4), kDocPath);
    d.info.cbSize = c.cbSize;
    if (!c.nameCallback) d.info.pfnGetFileName = nullptr;
    d.codePage = c.answer;
    ASSERT_EQ(Create(d), FLT_OK);
    const std::string which = std::to_string(c.cbSize) + "/" + std::to_string(c.answer);
    EXPECT_EQ(static_cast<CFltStream*>(d.info.pStream)->m_nCodePage, c.mode) << which;
    EXPECT_EQ(d.codePageCalls, c.codePageCalls) << which;
    EXPECT_EQ(d.nameCalls, c.nameCalls) << which;
    Close(d);
  }
}

TEST_F(Manager, ACodePageThatCannotBeConvertedIsRefusedAtOpen) {
  // Each route opens first, as it would for a good page; the refusal comes
  // after the host's callbacks were used as for any document, and leaves
  // nothing open and nothing on disk.
  const LONG junk[] = {2, 42, 65535, 65536, -4, -9, -65536, LONG(0x7FFFFFFF), LONG(0x80000000)};
  for (bool byPath : {true, false}) {
    for (LONG cp : junk) {
      SCOPED_TRACE(std::to_string(cp) + (byPath ? " by path" : " streamed"));
      Doc d(byPath ? CompoundDoc() : routes::FillerBytes(3000, 5), byPath ? kDocPath : "");
      d.nameAnswer = byPath;
      d.codePage = cp;
      int earlier = 0;
      d.info.pStream = &earlier;
      const std::size_t made = factory.made.size();
      EXPECT_EQ(Create(d), FLT_ERR_INVALID);
      EXPECT_EQ(d.info.pStream, nullptr);
      EXPECT_EQ(d.codePageCalls, 1);
      EXPECT_EQ(d.nameCalls, byPath ? 2 : 1);
      EXPECT_EQ(d.at, byPath ? 0u : d.bytes.size());
      ASSERT_GT(factory.made.size(), made);
      for (const auto& f : factory.made) EXPECT_EQ(f->refs, 0u);
      EXPECT_TRUE(tmp.Entries().empty());
    }
  }
  // The pages hosts ask for are taken, whichever platform converts them.
  for (LONG cp : {437, 850, 852, 866, 1252, 20127, 20866, 21866, 28591, 28592, 28595, 28605, 10000,
                  54936, 65001}) {
#ifdef _WIN32
    // Windows decides which pages it has (Wine has no 54936).
    if (!IsValidCodePage(UINT(cp))) continue;
#endif
    Doc d(CompoundDoc(), kDocPath);
    d.codePage = cp;
    ASSERT_EQ(Create(d), FLT_OK) << cp;
    EXPECT_EQ(static_cast<CFltStream*>(d.info.pStream)->m_nCodePage, cp);
    Close(d);
  }
}

TEST_F(Manager, AClaimedSizeBeyondTheHostsBytesCostsOnlyTheBytesDelivered) {
  // A host that claims far more than it has: the storage route reads what
  // there is and, the data being no compound file, hands its block on; the
  // copy on disk is the document the host gave, not the claim.
  const std::string bytes = routes::FillerBytes(12345, 8);
  for (DWORD claim : {DWORD(bytes.size()) + 1, DWORD(64) << 20}) {
    Doc d(bytes);
    d.size = claim;
    ASSERT_EQ(Create(d), FLT_OK) << claim;
    EXPECT_EQ(RouteOf(d.info), Route::TmpFile);
    EXPECT_EQ(d.at, bytes.size());
    EXPECT_EQ(copied.size(), bytes.size()) << claim;
    EXPECT_EQ(copied, bytes);
    Close(d);
  }
}

TEST_F(Manager, NullRecordsSizeFailuresAndNoTemporaryDirectory) {
  EXPECT_EQ(mgr.CreateFilteredStreamEx(nullptr), FLT_OK);
  char buf[8];
  DWORD got = 42;
  EXPECT_EQ(mgr.ReadFilteredStreamEx(nullptr, buf, sizeof(buf), &got), FLT_OK);
  EXPECT_EQ(got, 42u);
  EXPECT_EQ(mgr.CloseFilteredStreamEx(nullptr), FLT_OK);

  // The host's failure comes back as it is, and nothing else happens.
  Doc d(CompoundDoc(), kDocPath);
  d.sizeResult = 7;
  int earlier = 0;
  d.info.pStream = &earlier;
  EXPECT_EQ(Create(d), 7u);
  EXPECT_EQ(d.info.pStream, &earlier);
  EXPECT_EQ(d.readCalls + d.nameCalls + d.codePageCalls + g_memoryAsks, 0);
  EXPECT_EQ(factory.createCalls, 0);

  // No temporary directory: refused without reading, or after the storage
  // route read the document and failed (its block is freed with the refusal).
  mgr.m_szTmpDir[0] = '\0';
  for (BOOL storage : {0, 1}) {
    mgr.m_bPersistStorage = storage;
    Doc e(routes::FillerBytes(100000, 6));
    e.info.pStream = &earlier;
    EXPECT_EQ(Create(e), FLT_ERR_INVALID);
    EXPECT_EQ(e.info.pStream, nullptr);
    EXPECT_EQ(e.at, storage ? e.bytes.size() : 0u);
  }
}

}  // namespace
