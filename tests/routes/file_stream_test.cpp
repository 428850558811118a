// The file-path route against the scriptable server: what reaches the server,
// which result each failure gives, and what the stream holds afterwards.
#include "streams/file_stream.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/fake_filter.h"
#include "tests/support/route_host.h"

namespace {

struct FileRoute {
  fake::Factory factory;
  routes::Host host{"streamed bytes that must not be read"};
  std::unique_ptr<CFltFileStream> stream = std::make_unique<CFltFileStream>();

  explicit FileRoute(std::string path = "C:\\docs\\letter.doc") {
    host.fileNames = {{true, std::move(path)}};
  }
  FLTRESULT Open() { return stream->Open(host.info(), &factory); }
};

TEST(FileRoute, LoadsTheHostPathWidenedByteByByteAndKeepsOnlyTheFilter) {
  // Bytes beyond ASCII, the C1 range included, become units of the same value.
  const std::string path = "C:\\d\xE4t\xE9n\\\x80\x9F\xFF.doc";
  FileRoute r(path);
  r.stream->m_cbDocument = 0;  // not consulted on this route
  ASSERT_EQ(r.Open(), FLT_OK);

  ASSERT_EQ(r.factory.made.size(), 1u);
  fake::Filter& f = r.factory.last();
  std::u16string expected;
  for (unsigned char c : path) expected.push_back(c);
  EXPECT_EQ(f.loadedPath, expected);
  EXPECT_EQ(f.loadMode, 0u);  // STGM_READ
  EXPECT_EQ((std::vector<std::string>{"QI:file", "Load", "Init", "Release"}), f.events);
  EXPECT_EQ(f.refs, 1u) << "only the stream's reference is left";
  EXPECT_EQ(r.stream->m_pFilter, static_cast<IFilter*>(&f));
  EXPECT_EQ(r.stream->m_hMem, nullptr);
  EXPECT_EQ(r.host.readCalls, 0);
  EXPECT_EQ(r.host.fileNameCalls, 1);

  r.stream.reset();
  EXPECT_EQ(f.refs, 0u);
}

TEST(FileRoute, EachFailingStepGivesItsCodeAndLeavesTheFilterForDestruction) {
  struct Case {
    const char* what;
    HRESULT create;
    bool persistFile;
    routes::FileNameAnswer name;
    HRESULT load, init;
    FLTRESULT expected;
    int fileNameCalls, loadCalls, initCalls;
  };
  const routes::FileNameAnswer ok{true, "C:\\x.doc"};
  const Case cases[] = {
      {"no instance", E_OUTOFMEMORY, true, ok, S_OK, S_OK, FLT_ERR_FAILED, 0, 0, 0},
      {"no IPersistFile", S_OK, false, ok, S_OK, S_OK, FLT_ERR_FAILED, 0, 0, 0},
      // The host had a path when the manager asked, but not any more.
      {"path refused", S_OK, true, {false, "C:\\x.doc"}, S_OK, S_OK, FLT_ERR_FAILED, 1, 0, 0},
      {"path empty", S_OK, true, {true, ""}, S_OK, S_OK, FLT_ERR_FAILED, 1, 0, 0},
      {"load: access", S_OK, true, ok, FILTER_E_ACCESS, S_OK, FLT_ERR_ACCESS, 1, 1, 0},
      {"load: password", S_OK, true, ok, FILTER_E_PASSWORD, S_OK, FLT_ERR_PASSWORD, 1, 1, 0},
      {"load: format", S_OK, true, ok, FILTER_E_UNKNOWNFORMAT, S_OK, FLT_ERR_FORMAT, 1, 1, 0},
      {"load: not found", S_OK, true, ok, STG_E_FILENOTFOUND, S_OK, FLT_ERR_FAILED, 1, 1, 0},
      {"init: password", S_OK, true, ok, S_OK, FILTER_E_PASSWORD, FLT_ERR_PASSWORD, 1, 1, 1},
      {"init: access", S_OK, true, ok, S_OK, FILTER_E_ACCESS, FLT_ERR_ACCESS, 1, 1, 1},
      {"init: other", S_OK, true, ok, S_OK, E_OUTOFMEMORY, FLT_ERR_FAILED, 1, 1, 1},
      {"init: positive", S_OK, true, ok, S_OK, S_FALSE, 1, 1, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FileRoute r;
    r.host.fileNames = {c.name};
    r.factory.createResult = c.create;
    r.factory.setup = [&c](fake::Filter& f) {
      f.offerPersistFile = c.persistFile;
      f.loadResult = c.load;
      f.initResult = c.init;
    };
    EXPECT_EQ(r.Open(), c.expected);
    EXPECT_EQ(r.host.fileNameCalls, c.fileNameCalls);
    EXPECT_EQ(r.host.readCalls, 0);
    if (FAILED(c.create)) {
      EXPECT_EQ(r.stream->m_pFilter, nullptr);
      continue;
    }
    fake::Filter& f = r.factory.last();
    EXPECT_EQ(f.loadFileCalls, c.loadCalls);
    EXPECT_EQ(f.initCalls, c.initCalls);
    EXPECT_EQ(f.refs, 1u) << "IPersistFile released, the filter kept";
    r.stream.reset();
    EXPECT_EQ(f.refs, 0u);
  }
}

TEST(FileRoute, AnInstanceLeftByAFailingFactoryIsReleasedWithTheStream) {
  fake::Filter stray;
  FileRoute r;
  r.factory.createResult = E_FAIL;
  r.factory.failedInstance = &stray;
  EXPECT_EQ(r.Open(), FLT_ERR_FAILED);
  EXPECT_EQ(r.stream->m_pFilter, static_cast<IFilter*>(&stray));
  r.stream.reset();
  EXPECT_EQ(stray.refs, 0u);
}

}  // namespace
