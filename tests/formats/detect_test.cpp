// Recognising the formats by content, and refusing what is none of them.
#include "wordfilt/formats/detect.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/formats/format_test_support.h"
#include "wordfilt/formats/any_format.h"

namespace formattest {
namespace {

using wordfilt::DetectFormat;
using wordfilt::Format;

Format Detect(const std::string& s) { return DetectFormat(Bytes(s), s.size()); }

TEST(DetectTest, WebPages) {
  EXPECT_EQ(Detect("<!DOCTYPE html><html><body>x</body></html>"), Format::kHtml);
  EXPECT_EQ(Detect("<!doctype HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<p>x"), Format::kHtml);
  EXPECT_EQ(Detect("\xEF\xBB\xBF  \r\n<!-- saved --><HTML><BODY>x"), Format::kHtml);
  EXPECT_EQ(Detect("<html xmlns:o=\"urn:schemas-microsoft-com:office:office\"\n"
                   "xmlns:w=\"urn:schemas-microsoft-com:office:word\">"),
            Format::kHtml);
  EXPECT_EQ(Detect("<?xml version=\"1.0\"?>\n<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0//EN\">"
                   "<html xmlns=\"http://www.w3.org/1999/xhtml\">"),
            Format::kHtml);
  EXPECT_EQ(Detect("<head><title>t</title></head>"), Format::kHtml);
  EXPECT_EQ(Detect("<p>a paragraph</p>"), Format::kHtml);
  EXPECT_EQ(Detect(Utf16("<html><body>x</body></html>", false)), Format::kHtml);
  EXPECT_EQ(Detect(Utf16("<html><body>x</body></html>", true)), Format::kHtml);
}

TEST(DetectTest, XmlAndMarkupThatIsNoPageIsText) {
  // Other XML is text a user can read, not a page.
  EXPECT_EQ(Detect("<?xml version=\"1.0\"?>\n<catalog><book>x</book></catalog>"),
            Format::kPlainText);
  EXPECT_EQ(Detect("<!DOCTYPE note SYSTEM \"note.dtd\"><note>x</note>"), Format::kPlainText);
  EXPECT_EQ(Detect("<paragraph>not html</paragraph>"), Format::kPlainText);
  EXPECT_EQ(Detect("<pre-existing> is no tag we know"), Format::kPlainText);
  EXPECT_EQ(Detect("Some text that mentions <html> later."), Format::kPlainText);
}

TEST(DetectTest, WebArchives) {
  EXPECT_EQ(
      Detect("MIME-Version: 1.0\r\nContent-Type: multipart/related;\r\n"
             "\tboundary=\"b1\"\r\n\r\n--b1\r\nContent-Type: text/html\r\n\r\n<p>x\r\n--b1--"),
      Format::kMhtml);
  EXPECT_EQ(Detect("From: <Saved by a browser>\nSubject: page\nMIME-Version: 1.0\n"
                   "Content-Type: text/html; charset=utf-8\n\n<p>x"),
            Format::kMhtml);
  // A mail without any HTML is text; so are lines that only look like headers.
  EXPECT_EQ(Detect("MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=b\n\n--b\n"
                   "Content-Type: text/plain\n\nhello\n--b--\n"),
            Format::kPlainText);
  EXPECT_EQ(Detect("Note: text/html is mentioned\nbut this is a note\n\n"), Format::kPlainText);
}

TEST(DetectTest, PlainText) {
  EXPECT_EQ(Detect("Just a line of text.\r\n"), Format::kPlainText);
  EXPECT_EQ(Detect("caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87\n"), Format::kPlainText);
  EXPECT_EQ(Detect("caf\xE9 na\xEFve\n"), Format::kPlainText);  // Windows-1252
  EXPECT_EQ(Detect("[{\"json\": true}]"), Format::kPlainText);
  EXPECT_EQ(Detect("\x1B[1mbold\x1B[0m and a page\fbreak in a long enough line"),
            Format::kPlainText);
  EXPECT_EQ(Detect(Utf16("text", false)), Format::kPlainText);
  EXPECT_EQ(Detect(Utf16("text", true)), Format::kPlainText);
  EXPECT_EQ(Detect("\xEF\xBB\xBF"), Format::kPlainText);
}

TEST(DetectTest, KnownFormatsKeepTheirReaders) {
  EXPECT_EQ(Detect("{\\rtf1\\ansi hello}"), Format::kRtf);
  EXPECT_EQ(Detect(std::string("PK\x03\x04", 4) + std::string(30, '\0')), Format::kOoxml);
  EXPECT_EQ(Detect(std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0')),
            Format::kCompound);
}

TEST(DetectTest, RefusesDataThatIsNoText) {
  EXPECT_EQ(Detect(std::string("\xFFWPC\x10\x00\x00\x00\x01\x0A", 10) + "WordPerfect text"),
            Format::kUnknown);
  EXPECT_EQ(Detect("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<< /Type /Catalog >>\nendobj\n"),
            Format::kUnknown);
  EXPECT_EQ(Detect(std::string("\x89PNG\r\n\x1A\n", 8) + "IHDR"), Format::kUnknown);
  EXPECT_EQ(Detect("GIF89a......"), Format::kUnknown);
  EXPECT_EQ(Detect(std::string("\xFF\xD8\xFF\xE0", 4) + "JFIF"), Format::kUnknown);
  EXPECT_EQ(Detect(std::string("text with a NUL\0 inside", 23)), Format::kUnknown);
  // Mostly control characters, no NUL.
  std::string controls;
  for (int i = 0; i < 200; ++i) controls += (i % 3 == 0) ? 'a' : static_cast<char>(1 + i % 7);
  EXPECT_EQ(Detect(controls), Format::kUnknown);
  std::mt19937 random(12);
  std::string noise;
  for (int i = 0; i < 4096; ++i) noise.push_back(static_cast<char>(random() & 0xFF));
  EXPECT_EQ(Detect(noise), Format::kUnknown);
  EXPECT_EQ(DetectFormat(nullptr, 0), Format::kUnknown);
}

TEST(DetectTest, RefusedFormatsAnswerUnknownFormat) {
  wordfilt::DocumentText out;
  const std::string pdf = "%PDF-1.7\nstream";
  EXPECT_EQ(wordfilt::ExtractAnyFormat(Bytes(pdf), pdf.size(), out),
            wordfilt::LoadStatus::kNotWord);
  EXPECT_TRUE(out.text.empty());
  const std::string html = "<html><body><p>Hello</p></body></html>";
  ASSERT_EQ(wordfilt::ExtractAnyFormat(Bytes(html), html.size(), out), wordfilt::LoadStatus::kOk);
  EXPECT_EQ(Utf8(out.text), "Hello\n");
}

}  // namespace
}  // namespace formattest
