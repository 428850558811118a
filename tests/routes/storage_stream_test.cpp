// The in-memory storage route: the read loop (sizes asked of the host, the
// block's contents), the storage and filter steps with the platform's real
// structured storage, and who holds the block after each failure.
#include "streams/storage_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/compound_writer.h"
#include "tests/support/fake_filter.h"
#include "tests/support/route_host.h"

#ifndef _WIN32
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

using routes::Host;

struct StorageRoute {
  fake::Factory factory;
  Host host;
  std::unique_ptr<CFltStorageStream> stream = std::make_unique<CFltStorageStream>();

  StorageRoute(std::string document, DWORD reported) : host(std::move(document)) {
    stream->m_cbDocument = reported;
  }
  FLTRESULT Open() { return stream->Open(host.info(), &factory); }

  // The whole block the stream holds.
  std::string Block() const {
    if (!stream->m_hMem) return {};
    const SIZE_T n = GlobalSize(stream->m_hMem);
    const void* p = GlobalLock(stream->m_hMem);
    std::string bytes(static_cast<const char*>(p), n);
    GlobalUnlock(stream->m_hMem);
    return bytes;
  }
};

const std::vector<routes::StreamSpec>& SmallDocument() {
  static const std::vector<routes::StreamSpec> doc = routes::DocumentStreams(200000, 7);
  return doc;
}
const std::string& SmallDocumentFile() {
  static const std::string file = routes::BuildCompoundFile(SmallDocument());
  return file;
}

TEST(StorageRoute, RefusesSizesItCannotHoldWithoutReadingOrAllocating) {
  struct Case {
    DWORD size;
    FLTRESULT expected;
  };
  // 0 is not a document; above 0xFFFFFFFD the block's size + 2 would wrap.
  const Case cases[] = {
      {0, FLT_ERR_INVALID}, {0xFFFFFFFEu, FLT_ERR_MEMORY}, {0xFFFFFFFFu, FLT_ERR_MEMORY}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    StorageRoute r("some bytes", c.size);
    EXPECT_EQ(r.Open(), c.expected);
    EXPECT_EQ(r.host.readCalls, 0);
    EXPECT_EQ(r.stream->m_hMem, nullptr);
    EXPECT_EQ(r.factory.createCalls, 0);
  }
}

TEST(StorageRoute, AsksForAtMost64KiBAndStopsAtTheSizeOrTheHostsEnd) {
  struct Case {
    std::size_t documentBytes;
    DWORD reported;
    std::vector<std::uint32_t> deliverAtMost;
    std::vector<DWORD> asked;
    std::size_t received;
  };
  const Case cases[] = {
      {1, 1, {}, {1}, 1},
      {65536, 65536, {}, {65536}, 65536},
      {65537, 65537, {}, {65536, 1}, 65537},
      {200000, 200000, {}, {65536, 65536, 65536, 3392}, 200000},
      {100, 100, {60}, {100, 40}, 100},
      // The host's stream ends early: the rest of the block stays zero.
      {60, 100, {}, {100, 40}, 60},
      // A longer stream than reported: only the reported size is read.
      {500, 100, {}, {100}, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.documentBytes << " bytes, " << c.reported << " reported");
    // Not a compound file: the storage refuses it after the read, so the block
    // stays in the stream to be looked at.
    const std::string doc = routes::FillerBytes(c.documentBytes, 3);
    StorageRoute r(doc, c.reported);
    r.host.deliverAtMost = c.deliverAtMost;
    EXPECT_NE(r.Open(), FLT_OK);
    EXPECT_EQ(r.host.asked, c.asked);
    EXPECT_EQ(r.factory.createCalls, 0);
    ASSERT_NE(r.stream->m_hMem, nullptr);
    const std::string block = r.Block();
    ASSERT_GE(block.size(), std::size_t(c.reported) + 2);
    EXPECT_EQ(block.substr(0, c.received), doc.substr(0, c.received));
    EXPECT_EQ(block.substr(c.received, c.reported + 2 - c.received),
              std::string(c.reported + 2 - c.received, '\0'));
  }
}

#ifndef _WIN32
// How many pages of [p, p + n) are resident; SIZE_MAX when the kernel cannot tell.
std::size_t ResidentPages(const unsigned char* p, std::size_t n) {
  const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const auto first = reinterpret_cast<std::uintptr_t>(p) & ~(std::uintptr_t(page) - 1);
  const std::size_t length = reinterpret_cast<std::uintptr_t>(p) + n - first;
  std::vector<unsigned char> states((length + page - 1) / page);
  if (mincore(reinterpret_cast<void*>(first), length, states.data()) != 0) return SIZE_MAX;
  std::size_t resident = 0;
  for (unsigned char s : states) resident += s & 1;
  return resident;
}

TEST(StorageRoute, BytesTheHostNeverDeliveredAreNeverTouched) {
  // A host that claims 256 MiB and has a few KiB: the block is as large as the
  // claim, but only the delivered bytes may cost memory.
  const DWORD claim = 256u << 20;
  const std::size_t slack = 1u << 20;  // what the allocator and the storage may touch
  for (const std::string& doc : {routes::FillerBytes(12345, 4), SmallDocumentFile()}) {
    SCOPED_TRACE(doc.size());
    StorageRoute r(doc, claim);
    r.Open();
    ASSERT_NE(r.stream->m_hMem, nullptr);
    EXPECT_EQ(r.stream->m_cbDelivered, doc.size());
    ASSERT_GE(GlobalSize(r.stream->m_hMem), SIZE_T(claim) + 2);
    const auto* block = static_cast<const unsigned char*>(GlobalLock(r.stream->m_hMem));
    const std::size_t resident = ResidentPages(block + slack, claim + 2 - slack);
    if (resident == SIZE_MAX) GTEST_SKIP() << "no page residency here";
    EXPECT_LT(resident, 64u) << "pages past the document were written";
    // Still zero, as a block that was filled would read.
    EXPECT_EQ(std::memcmp(block, doc.data(), doc.size()), 0);
    for (std::size_t at : {doc.size(), std::size_t(claim / 2), std::size_t(claim) + 1})
      EXPECT_EQ(block[at], 0) << at;
    GlobalUnlock(r.stream->m_hMem);
  }
}
#endif

TEST(StorageRoute, HostReadFailureFreesTheBlockAndReturnsTheHostsCode) {
  for (int failAt : {1, 2}) {
    SCOPED_TRACE(failAt);
    StorageRoute r(SmallDocumentFile(), static_cast<DWORD>(SmallDocumentFile().size()));
    r.host.failAtCall = failAt;
    r.host.failCode = 9;
    EXPECT_EQ(r.Open(), 9u);
    EXPECT_EQ(r.host.readCalls, failAt);
    EXPECT_EQ(r.stream->m_hMem, nullptr);
    EXPECT_EQ(r.factory.createCalls, 0);
  }
}

TEST(StorageRoute, HostReportingMoreThanAskedIsRefusedAndNothingIsKept) {
  // Without the check the next piece would be asked past the end of the block.
  for (int at : {1, 3}) {
    for (DWORD by : {1u, 70000u}) {
      SCOPED_TRACE(testing::Message() << "call " << at << " over by " << by);
      StorageRoute r(SmallDocumentFile(), static_cast<DWORD>(SmallDocumentFile().size()));
      r.host.overReportAtCall = at;
      r.host.overReportBy = by;
      EXPECT_EQ(r.Open(), FLT_ERR_INVALID);
      EXPECT_EQ(r.host.readCalls, at) << "no read after the bad count";
      EXPECT_EQ(r.stream->m_hMem, nullptr);
      EXPECT_EQ(r.factory.createCalls, 0);
    }
  }
}

// What the platform's structured storage answers for a block holding `bytes`.
HRESULT StorageAnswer(const std::string& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size() + 2);
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  ILockBytes* lockBytes = nullptr;
  HRESULT hr = CreateILockBytesOnHGlobal(block, FALSE, &lockBytes);
  if (hr == S_OK) {
    IStorage* storage = nullptr;
    hr = StgOpenStorageOnILockBytes(lockBytes, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr,
                                    0, &storage);
    if (storage) storage->Release();
    lockBytes->Release();
  }
  GlobalFree(block);
  return hr;
}

TEST(StorageRoute, DataThatIsNoCompoundFileStaysInTheStreamForTheNextRoute) {
  const std::string doc = routes::FillerBytes(8192, 11);
  const HRESULT answer = StorageAnswer(doc);
#ifndef _WIN32
  // Ours answers as Windows does (Wine's answer is STG_E_INVALIDHEADER).
  EXPECT_EQ(answer, STG_E_FILEALREADYEXISTS);
#endif
  StorageRoute r(doc, 8192);
  EXPECT_EQ(r.Open(), MapStorageError(answer));
  EXPECT_EQ(r.Block().substr(0, doc.size()), doc);
  EXPECT_EQ(r.stream->m_pFilter, nullptr);
  EXPECT_EQ(r.factory.createCalls, 0);
}

TEST(StorageRoute, LoadsTheDocumentFromMemoryThroughIPersistStorage) {
  const std::string expected = routes::Joined(SmallDocument());
  const std::vector<std::u16string> names = routes::NamesOf(SmallDocument());
  StorageRoute r(SmallDocumentFile(), static_cast<DWORD>(SmallDocumentFile().size()));
  std::string atLoad, atRelease;
  HRESULT atReleaseResult = E_FAIL;
  r.factory.setup = [&](fake::Filter& f) {
    f.holdStorage = true;
    f.onLoadStorage = [&](fake::Filter&, IStorage* s) {
      return routes::ReadStreams(s, names, &atLoad);
    };
    // The block must still be there when the filter lets its storage go.
    f.onLastRelease = [&](fake::Filter& self) {
      atReleaseResult = routes::ReadStreams(self.heldStorage, names, &atRelease);
    };
  };
  ASSERT_EQ(r.Open(), FLT_OK);
  fake::Filter& f = r.factory.last();
  EXPECT_EQ(atLoad, expected);
  EXPECT_EQ((std::vector<std::string>{"QI:storage", "Load", "Init", "Release"}), f.events);
  EXPECT_EQ(f.refs, 1u);
  EXPECT_EQ(f.loadFileCalls, 0);
  EXPECT_NE(r.stream->m_hMem, nullptr);
  EXPECT_EQ(r.Block().substr(0, SmallDocumentFile().size()), SmallDocumentFile());
  EXPECT_EQ(r.host.asked,
            (std::vector<DWORD>{65536, 65536, 65536,
                                static_cast<DWORD>(SmallDocumentFile().size() - 3 * 65536)}));

  r.stream.reset();
  EXPECT_EQ(f.refs, 0u);
  EXPECT_EQ(atReleaseResult, S_OK);
  EXPECT_EQ(atRelease, expected);
}

struct FilterStepCase {
  const char* what;
  HRESULT create, load, init;
  bool persistStorage;
  FLTRESULT expected;
  bool filterKept;
};

TEST(StorageRoute, FailuresAfterTheStorageOpenedKeepTheBlockWithTheDocument) {
  const FilterStepCase cases[] = {
      {"no instance", E_OUTOFMEMORY, S_OK, S_OK, true, FLT_ERR_FAILED, false},
      {"no IPersistStorage", S_OK, S_OK, S_OK, false, FLT_ERR_FAILED, true},
      {"load: access", S_OK, FILTER_E_ACCESS, S_OK, true, FLT_ERR_ACCESS, true},
      {"load: password", S_OK, FILTER_E_PASSWORD, S_OK, true, FLT_ERR_PASSWORD, true},
      {"load: format", S_OK, FILTER_E_UNKNOWNFORMAT, S_OK, true, FLT_ERR_FORMAT, true},
      {"load: other", S_OK, E_FAIL, S_OK, true, FLT_ERR_FAILED, true},
      // Init's errors are not told apart on this route.
      {"init: password", S_OK, S_OK, FILTER_E_PASSWORD, true, FLT_ERR_FAILED, true},
      {"init: access", S_OK, S_OK, FILTER_E_ACCESS, true, FLT_ERR_FAILED, true},
      {"init: positive", S_OK, S_OK, S_FALSE, true, 1, true},
  };
  for (const FilterStepCase& c : cases) {
    SCOPED_TRACE(c.what);
    StorageRoute r(SmallDocumentFile(), static_cast<DWORD>(SmallDocumentFile().size()));
    r.factory.createResult = c.create;
    r.factory.setup = [&c](fake::Filter& f) {
      f.loadResult = c.load;
      f.initResult = c.init;
      f.offerPersistStorage = c.persistStorage;
    };
    EXPECT_EQ(r.Open(), c.expected);
    EXPECT_EQ(r.Block().substr(0, SmallDocumentFile().size()), SmallDocumentFile());
    EXPECT_EQ(r.factory.createCalls, 1);
    if (!c.filterKept) {
      EXPECT_EQ(r.stream->m_pFilter, nullptr);
      continue;
    }
    fake::Filter& f = r.factory.last();
    EXPECT_EQ(r.stream->m_pFilter, static_cast<IFilter*>(&f));
    EXPECT_EQ(f.refs, 1u) << "persistence released";
    EXPECT_EQ(f.initCalls, c.persistStorage && SUCCEEDED(c.load) ? 1 : 0);
    r.stream.reset();
    EXPECT_EQ(f.refs, 0u);
  }
}

TEST(StorageRoute, StorageErrorsTranslateAsTheHostExpects) {
  const std::pair<HRESULT, FLTRESULT> cases[] = {{S_OK, FLT_OK},
                                                 {STG_E_INVALIDFUNCTION, FLT_ERR_INVALID},
                                                 {STG_E_INSUFFICIENTMEMORY, FLT_ERR_MEMORY},
                                                 {STG_E_INVALIDPOINTER, FLT_ERR_INVALID},
                                                 {STG_E_FILEALREADYEXISTS, FLT_ERR_FORMAT},
                                                 {STG_E_INVALIDNAME, FLT_ERR_INVALID},
                                                 {STG_E_INVALIDFLAG, FLT_ERR_INVALID},
                                                 {STG_E_OLDFORMAT, FLT_ERR_FORMAT},
                                                 {STG_E_OLDDLL, FLT_ERR_FORMAT},
                                                 {STG_E_INVALIDHEADER, FLT_ERR_FAILED},
                                                 {STG_E_DOCFILECORRUPT, FLT_ERR_FAILED},
                                                 {E_OUTOFMEMORY, FLT_ERR_FAILED},
                                                 {S_FALSE, FLT_ERR_FAILED}};
  for (const auto& [hr, expected] : cases)
    EXPECT_EQ(MapStorageError(hr), expected) << std::hex << hr;
}

}  // namespace
