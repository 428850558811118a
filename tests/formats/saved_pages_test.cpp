// Pages and text files a word processor saved (tests/data/html, renamed to
// .doc): our text must hold the words of that word processor's own text
// export of the same file (*.expected.txt), in the same order. Layout may
// differ: it puts table cells on lines of their own and list labels before
// items, where we separate cells by tabs.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/formats/format_test_support.h"
#include "wordfilt/formats/any_format.h"
#include "wordfilt/formats/detect.h"

namespace formattest {
namespace {

using wordfilt::Format;

const std::string kData = std::string(DOCFLT_SOURCE_DIR) + "/tests/data/html/";

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Decodes UTF-8 (the expected files) to code points.
std::u32string Decode(const std::string& s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    const int len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    char32_t c = len == 1 ? b : len == 2 ? b & 0x1F : len == 3 ? b & 0x0F : b & 0x07;
    for (int k = 1; k < len && i + k < s.size(); ++k) c = c << 6 | (s[i + k] & 0x3F);
    out.push_back(c);
    i += len;
  }
  return out;
}

// Letters and digits of the scripts in these files; punctuation, symbols,
// list labels and spaces separate words.
bool IsWordChar(char32_t c) {
  if (c < 0x80) return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  return (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) || (c >= 0x370 && c <= 0x4FF);
}

std::vector<std::u32string> Words(const std::u32string& text) {
  std::vector<std::u32string> words;
  std::u32string word;
  for (char32_t c : text) {
    if (IsWordChar(c)) {
      word.push_back(c);
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

struct Saved {
  const char* file;
  const char* expected;
  Format format;
};

TEST(SavedPagesTest, WordsMatchTheWordProcessorsTextExport) {
  const Saved kFiles[] = {
      {"lo_page.doc", "lo_page", Format::kHtml},
      {"lo_xhtml.doc", "lo_xhtml", Format::kHtml},
      {"word_page.doc", "word_page", Format::kHtml},
      {"archive_qp.doc", "lo_page", Format::kMhtml},
      {"archive_b64.doc", "word_page", Format::kMhtml},
      {"text_utf8.doc", "text_utf8", Format::kPlainText},
      {"text_utf16.doc", "text_utf16", Format::kPlainText},
      {"text_1252.doc", "text_1252", Format::kPlainText},
  };
  for (const Saved& saved : kFiles) {
    SCOPED_TRACE(saved.file);
    const std::string bytes = ReadFile(kData + saved.file);
    const std::string expected = ReadFile(kData + saved.expected + ".expected.txt");
    ASSERT_FALSE(bytes.empty());
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(wordfilt::DetectFormat(Bytes(bytes), bytes.size()), saved.format);
    wordfilt::DocumentText doc;
    ASSERT_EQ(wordfilt::ExtractAnyFormat(Bytes(bytes), bytes.size(), doc),
              wordfilt::LoadStatus::kOk);
    EXPECT_TRUE(ChunksTileText(doc));
    const std::vector<std::u32string> ours = Words(Decode(Utf8(doc.text)));
    const std::vector<std::u32string> theirs = Words(Decode(expected));
    EXPECT_GT(theirs.size(), 20u);
    EXPECT_TRUE(ours == theirs) << Utf8(doc.text);
  }
}

TEST(SavedPagesTest, TitlesAndTables) {
  wordfilt::DocumentText doc;
  const std::string page = ReadFile(kData + "archive_b64.doc");
  ASSERT_EQ(wordfilt::ExtractAnyFormat(Bytes(page), page.size(), doc), wordfilt::LoadStatus::kOk);
  ASSERT_EQ(doc.properties.size(), 1u);
  EXPECT_EQ(Utf8(doc.properties[0].value), "Allotment committee minutes");
  // The table's rows as the Word reader gives them; the page's own quotes
  // and pound sign decoded from Windows-1252.
  const std::string text = Utf8(doc.text);
  EXPECT_NE(text.find("Task\tOwner\nMend the gate\tTreasurer\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\xC2\xA3"
                      "412, after the new water butts (\xE2\x80\x9Cthe green"),
            std::string::npos);
}

}  // namespace
}  // namespace formattest
