// Files that are no Word binaries (plain text, web pages, web archives)
// through the plug-in and the bundled server, by both routes a host can take:
// its file path, and its stream, which the plug-in copies to a temporary file.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "platform/text.h"
#include "tests/support/test_host.h"

namespace {

using e2e::Document;

const std::string kData = std::string(DOCFLT_SOURCE_DIR) + "/tests/data/html/";

class TextFormats : public ::testing::Test {
 protected:
  void SetUp() override {
    plugin_ = std::make_unique<e2e::Plugin>(tmp_.path);
    ASSERT_TRUE(plugin_->loaded());
  }
  void TearDown() override {
    plugin_.reset();
    EXPECT_TRUE(tmp_.Entries().empty());  // no temporary copy left behind
  }
  e2e::TempDir tmp_;
  std::unique_ptr<e2e::Plugin> plugin_;
};

TEST_F(TextFormats, EachFormatArrivesByPathAndByStream) {
  struct Case {
    const char* file;
    const char* expect;  // UTF-8 text the extraction must hold
  };
  const Case kCases[] = {
      {"text_utf8.doc", "Greek place names on the old chart: \xCE\x9B\xCE\xB9\xCE\xBC"},
      {"text_utf16.doc", "Russian notes from a visiting crew: \xD0\x93"},
      {"lo_page.doc", "Station\tDepth (m)\tBottom\nNorth pier\t7.4\tSand"},
      {"word_page.doc",
       "balance of \xC2\xA3"
       "412"},
      {"archive_qp.doc", "borrowed caf\xC3\xA9 tender"},
      {"archive_b64.doc", "Mend the gate\tTreasurer"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.file);
    Document byPath(kData + c.file, true, CP_UTF8), byStream(kData + c.file, false, CP_UTF8);
    std::string a, b;
    ASSERT_EQ(plugin_->Extract(&byPath, &a, 4096), FLT_OK);
    ASSERT_EQ(plugin_->Extract(&byStream, &b, 4096), FLT_OK);
    EXPECT_EQ(byPath.readCalls, 0);    // the server opened the file itself
    EXPECT_GT(byStream.readCalls, 0);  // the bytes came through the host
    EXPECT_EQ(a, b);
    EXPECT_NE(a.find(c.expect), std::string::npos) << a;
  }
}

TEST_F(TextFormats, TextInTheHostsCodePage) {
  // The same page asked for in Windows-1252: the server's UTF-16 text is
  // converted by the plug-in as for Word documents.
  Document doc(kData + "word_page.doc", false, 1252);
  std::string text;
  ASSERT_EQ(plugin_->Extract(&doc, &text), FLT_OK);
  EXPECT_NE(text.find("the caf\xE9 volunteers"), std::string::npos) << text;
  EXPECT_NE(text.find("\x93the green ones\x94"), std::string::npos);
}

TEST_F(TextFormats, DataThatIsNoTextIsRefusedByBothRoutes) {
  e2e::TempDir dir;
  const std::string pdf = dir.path + "/scan.doc";
  { std::ofstream(pdf, std::ios::binary) << "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n1 0 obj<<>>endobj\n"; }
  const std::string nul = dir.path + "/nul.doc";
  { std::ofstream(nul, std::ios::binary) << std::string("text\0with\0NULs\0\0\0\0", 19); }
  for (const std::string& path : {pdf, nul}) {
    for (bool byPath : {true, false}) {
      Document doc(path, byPath, CP_UTF8);
      std::string out;
      EXPECT_EQ(plugin_->Extract(&doc, &out), FLT_ERR_FORMAT) << path << byPath;
      EXPECT_EQ(doc.info.pStream, nullptr);
    }
  }
}

}  // namespace
