// The manager in-process with the real bundled server, where a test can steer
// which route a document takes.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/text.h"
#include "server/fltdll.h"
#include "server/server_lookup.h"
#include "tests/support/test_host.h"

namespace {

const CLSID kFilterClsid = {
    0xF07F3920, 0x7B8C, 0x11CF, {0x9B, 0xE8, 0x00, 0xAA, 0x00, 0x4B, 0x99, 0x86}};

struct Manager {
  CFltdll mgr;
  explicit Manager(const std::string& tmpDir) {
    CoInitialize(nullptr);  // balanced by the destructor's uninitialisation
    mgr.m_pFactory = LoadFilterServer(DOCFLT_SERVER_FILE, &kFilterClsid);
    std::snprintf(mgr.m_szTmpDir, sizeof(mgr.m_szTmpDir), "%s", tmpDir.c_str());
  }
  std::string Extract(e2e::Document* doc, FLTRESULT* rc) {
    std::string text;
    *rc = mgr.CreateFilteredStreamEx(&doc->info);
    if (*rc != FLT_OK) return text;
    char buf[4096];
    DWORD got = 0;
    do {
      *rc = mgr.ReadFilteredStreamEx(&doc->info, buf, sizeof(buf), &got);
      text.append(buf, got);
    } while (*rc == FLT_OK && got == sizeof(buf));
    mgr.CloseFilteredStreamEx(&doc->info);
    return text;
  }
};

// With the storage route off, streamed documents go through a temporary copy:
// the same text as the path route, the same refusals, nothing left on disk.
TEST(ManagerWithServer, TemporaryFileRouteMatchesThePathRoute) {
  const std::vector<std::string> docs = e2e::CorpusDocs();
  if (docs.empty()) GTEST_SKIP() << "no shared corpus";
  e2e::TempDir tmp;
  Manager m(tmp.path);
  ASSERT_NE(m.mgr.m_pFactory, nullptr);
  m.mgr.m_bPersistStorage = 0;
  for (size_t i = 0; i < docs.size(); ++i) {
    // A third of the corpus, and every password-protected document.
    if (i % 3 != 0 && docs[i].find("password") == std::string::npos) continue;
    e2e::Document byPath(docs[i], true, CP_UTF8), byCopy(docs[i], false, CP_UTF8);
    FLTRESULT ra = 0, rb = 0;
    const std::string a = m.Extract(&byPath, &ra);
    const std::string b = m.Extract(&byCopy, &rb);
    EXPECT_EQ(ra, rb) << docs[i];
    EXPECT_EQ(a, b) << docs[i];
    EXPECT_GT(byCopy.readCalls, 0) << docs[i];
    EXPECT_TRUE(tmp.Entries().empty()) << docs[i];
    if (docs[i].find("password") != std::string::npos) {
      EXPECT_EQ(rb, FLT_ERR_PASSWORD) << docs[i];
    }
  }
}

}  // namespace
