// The plug-in module with the bundled server, driven through its four exports
// as a host drives them.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "platform/text.h"
#include "tests/support/test_host.h"

namespace {

using e2e::Document;

std::string Name(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }

class Exports : public ::testing::Test {
 protected:
  void SetUp() override {
    plugin_ = std::make_unique<e2e::Plugin>(tmp_.path);
    ASSERT_TRUE(plugin_->loaded());
    ASSERT_NE(plugin_->create, nullptr);
  }
  void TearDown() override {
    plugin_.reset();
    // Every stream was closed: no temporary copy may be left behind.
    EXPECT_TRUE(tmp_.Entries().empty());
  }
  e2e::TempDir tmp_;
  std::unique_ptr<e2e::Plugin> plugin_;
};

TEST_F(Exports, ExtensionListIsStable) {
  const char* list = plugin_->getExtensions();
  EXPECT_EQ(list, plugin_->getExtensions());
  EXPECT_STREQ(list, "DOC");
  EXPECT_STREQ(list + 4, "DOT");
  EXPECT_EQ(list[8], '\0');
}

TEST_F(Exports, CorpusReadsTheSameByPathAndByStream) {
  const std::vector<std::string> docs = e2e::CorpusDocs();
  if (docs.empty()) GTEST_SKIP() << "no shared corpus";
  int extracted = 0;
  for (const std::string& path : docs) {
    Document byPath(path, true, CP_UTF8), byStream(path, false, CP_UTF8);
    std::string a, b;
    const FLTRESULT ra = plugin_->Extract(&byPath, &a);
    const FLTRESULT rb = plugin_->Extract(&byStream, &b);
    // A document the path route loads is never streamed; one it refuses is
    // loaded again from the host's stream, which answers the same.
    if (ra == FLT_OK) {
      EXPECT_EQ(byPath.readCalls, 0) << path;
      EXPECT_EQ(byPath.fileNameCalls, 2) << path;
    }
    EXPECT_EQ(ra, rb) << path;
    EXPECT_EQ(a, b) << path;
    const std::string name = Name(path);
    if (name.find("password") != std::string::npos || name.find("_passtika") != std::string::npos) {
      EXPECT_EQ(ra, FLT_ERR_PASSWORD) << path;
    }
    if (ra == FLT_OK) ++extracted;
  }
  EXPECT_GE(extracted, 140);
}

TEST_F(Exports, NonWordDataIsAFormatError) {
  e2e::TempDir dir;
  // Text is read now (as are web pages and the other formats users save under
  // a .doc name); data that is no text at all is still refused.
  const std::string text = dir.path + "/binary.doc";
  { std::ofstream(text, std::ios::binary) << std::string("\xFFWPC\x10\0\0\0\x01\x0A\0\x01", 12); }
  for (bool byPath : {true, false}) {
    Document doc(text, byPath, CP_UTF8);
    std::string out;
    EXPECT_EQ(plugin_->Extract(&doc, &out), FLT_ERR_FORMAT) << byPath;
    EXPECT_EQ(doc.info.pStream, nullptr);
  }
}

TEST_F(Exports, CodePageModes) {
  const std::string dir = e2e::CorpusDir();
  if (dir.empty()) GTEST_SKIP() << "no shared corpus";
  const std::string path = dir + "/generated/multilang.doc";
  std::string utf8, utf16, ansi;
  Document a(path, true, CP_UTF8), b(path, true, FLT_CP_UNICODE), c(path, true, FLT_CP_ANSI);
  ASSERT_EQ(plugin_->Extract(&a, &utf8), FLT_OK);
  ASSERT_EQ(plugin_->Extract(&b, &utf16, 3), FLT_OK);  // odd buffers split UTF-16 units
  ASSERT_EQ(plugin_->Extract(&c, &ansi), FLT_OK);
  ASSERT_EQ(utf16.size() % 2, 0u);
  EXPECT_EQ(e2e::ToUtf8(ansi, CP_ACP).size() <= utf8.size(), true);
  // UTF-16 and UTF-8 carry the same text.
  std::u16string wide(utf16.size() / 2, u'\0');
  std::memcpy(wide.data(), utf16.data(), utf16.size());
  std::string fromWide;
  const int n = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const WCHAR*>(wide.data()),
                                    static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  fromWide.resize(static_cast<size_t>(n));
  WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const WCHAR*>(wide.data()),
                      static_cast<int>(wide.size()), fromWide.data(), n, nullptr, nullptr);
  EXPECT_EQ(fromWide, utf8);
  EXPECT_NE(utf8.find("Русский абзац"), std::string::npos);
}

// In default mode each paragraph comes in the code page of its language.
TEST_F(Exports, MultilingualDocumentInDefaultMode) {
  const std::string dir = e2e::CorpusDir();
  if (dir.empty()) GTEST_SKIP() << "no shared corpus";
  Document doc(dir + "/generated/multilang.doc", false, FLT_CP_DEFAULT);
  std::string bytes;
  ASSERT_EQ(plugin_->Extract(&doc, &bytes, 7), FLT_OK);
  std::istringstream expected(e2e::ReadFile(dir + "/generated/multilang.txt"));
  const UINT pages[] = {1252, 1251, 1253, 1250, 1254, 1255, 932, 936, 949, 874};
  std::istringstream got(bytes);
  std::string want, line;
  for (UINT page : pages) {
    ASSERT_TRUE(std::getline(expected, want));
    ASSERT_TRUE(std::getline(got, line)) << page;
    EXPECT_EQ(e2e::ToUtf8(line, page), want) << "code page " << page;
  }
}

TEST_F(Exports, NullRecordsAndDoubleClose) {
  EXPECT_EQ(plugin_->create(nullptr), FLT_OK);
  DWORD got = 42;
  char buf[4];
  EXPECT_EQ(plugin_->read(nullptr, buf, sizeof(buf), &got), FLT_OK);
  EXPECT_EQ(got, 42u);
  EXPECT_EQ(plugin_->close(nullptr), FLT_OK);
  FILTEREDSTREAMINFO info{};
  info.cbSize = sizeof(info);
  EXPECT_EQ(plugin_->read(&info, buf, sizeof(buf), &got), FLT_OK);
  EXPECT_EQ(got, 42u);
  EXPECT_EQ(plugin_->close(&info), FLT_OK);
  EXPECT_EQ(plugin_->close(&info), FLT_OK);
}

}  // namespace
