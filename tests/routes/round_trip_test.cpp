// The routes against the platform's real structured storage and files, with a
// server that opens what it is given as real ones do (StgOpenStorage on the
// path) and reads every stream.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/text.h"
#include "streams/file_stream.h"
#include "streams/storage_stream.h"
#include "streams/tmpfile_stream.h"
#include "tests/support/compound_writer.h"
#include "tests/support/fake_filter.h"
#include "tests/support/route_host.h"

namespace {

struct ReadingServer {
  fake::Factory factory;
  std::string read;  // what the last loaded filter read
  HRESULT readResult = E_FAIL;

  explicit ReadingServer(const std::vector<routes::StreamSpec>& doc) {
    factory.setup = [this, names = routes::NamesOf(doc)](fake::Filter& f) {
      f.onLoadFile = [this, names](fake::Filter&, const std::u16string& path) {
        readResult = routes::ReadStreamsOfFile(path, names, &read);
        return SUCCEEDED(readResult) ? S_OK : FILTER_E_UNKNOWNFORMAT;
      };
    };
  }
};

TEST(RoundTrip, APathBeyondAsciiWidenedByTheFileRouteOpensTheSameFile) {
#ifdef _WIN32
  // The narrow path is in the ANSI code page; byte-wise widening names the same
  // file only where those bytes mean the same code points (Latin-1 letters in 1252).
  if (GetACP() != 1252) GTEST_SKIP() << "ANSI code page " << GetACP();
  const std::string suffix = "-d\xF6k\xFCm\xE4n";
#else
  const std::string suffix = "-d\xC3\xB6k\xC3\xBCm\xC3\xA4n-\xE2\x82\xAC";  // UTF-8, € included
#endif
  routes::TempDir dir(suffix);
  ASSERT_FALSE(dir.path().empty());
  const auto doc = routes::DocumentStreams(300000, 21);
  const std::string path = dir.Join(
      "Br\xC3\xA9"
      "f.doc");
  ASSERT_TRUE(routes::WriteWholeFile(path, routes::BuildCompoundFile(doc)));

  ReadingServer server(doc);
  routes::Host host;
  host.fileNames = {{true, path}};
  CFltFileStream stream;
  ASSERT_EQ(stream.Open(host.info(), &server.factory), FLT_OK);
  EXPECT_EQ(server.readResult, S_OK);
  EXPECT_EQ(server.read, routes::Joined(doc));
}

TEST(RoundTrip, ABlockTheStorageRouteGaveUpOnReachesTheServerThroughATemporaryFile) {
  // As the manager does it: the storage route reads the document and fails,
  // its block goes to the temporary-file route, which must not read again.
  const auto doc = routes::DocumentStreams(400000, 8);
  const std::string file = routes::BuildCompoundFile(doc);
  routes::TempDir dir;
  ReadingServer server(doc);
  routes::Host host(file);

  auto storage = std::make_unique<CFltStorageStream>();
  storage->m_cbDocument = static_cast<DWORD>(file.size());
  server.factory.createResult = E_OUTOFMEMORY;
  ASSERT_EQ(storage->Open(host.info(), &server.factory), FLT_ERR_FAILED);
  HGLOBAL block = storage->m_hMem;
  ASSERT_NE(block, nullptr);
  storage->m_hMem = nullptr;
  storage.reset();
  const int readsSoFar = host.readCalls;

  server.factory.createResult = S_OK;
  auto tmp = std::make_unique<CFltTmpFileStream>(dir.path().c_str(), "DOC");
  tmp->m_cbDocument = static_cast<DWORD>(file.size());
  tmp->m_hMem = block;
  ASSERT_EQ(tmp->Open(host.info(), &server.factory), FLT_OK);
  EXPECT_EQ(host.readCalls, readsSoFar);
  EXPECT_EQ(server.readResult, S_OK);
  EXPECT_EQ(server.read, routes::Joined(doc));
  tmp.reset();
  EXPECT_TRUE(dir.Entries().empty());
}

// Loading corpus documents through each route with the bundled server belongs
// here once the server's factory can be linked into this program.

}  // namespace
