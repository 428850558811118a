// Plain text: encodings, line ends and chunks.
#include "wordfilt/plaintext/text_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/formats/format_test_support.h"
#include "wordfilt/plaintext/text_decoder.h"

namespace formattest {
namespace {

using wordfilt::DocumentText;
using wordfilt::ExtractPlainText;
using wordfilt::LoadStatus;

std::string Read(const std::string& s, const wordfilt::ExtractOptions& options = {}) {
  DocumentText out;
  EXPECT_EQ(ExtractPlainText(Bytes(s), s.size(), out, options), LoadStatus::kOk);
  EXPECT_TRUE(ChunksTileText(out));
  return Utf8(out.text);
}

TEST(TextReaderTest, ByteOrderMarksDecide) {
  EXPECT_EQ(Read("\xEF\xBB\xBF"
                 "caf\xC3\xA9"),
            "caf\xC3\xA9\n");
  EXPECT_EQ(Read(Utf16("ab\r\ncd", false)), "ab\ncd\n");
  EXPECT_EQ(Read(Utf16("ab\r\ncd", true)), "ab\ncd\n");
  // A UTF-16 character outside the BMP survives as its surrogate pair.
  EXPECT_EQ(Read(std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6)), "\xF0\x9F\x98\x80\n");
  // The mark wins over bytes that would read as something else.
  EXPECT_EQ(Read(std::string("\xFE\xFF\x04\x10", 4)), "\xD0\x90\n");
}

TEST(TextReaderTest, Utf8WhenValidElseTheAnsiPage) {
  EXPECT_EQ(Read("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"),
            "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\n");
  // Not UTF-8: Windows-1252 here (or UTF-8 with 1252 for the stray bytes on a
  // UTF-8 system), both of which read these bytes the same way.
  EXPECT_EQ(Read("na\xEFve caf\xE9 \x93quoted\x94 \x80"),
            "na\xC3\xAFve caf\xC3\xA9 \xE2\x80\x9Cquoted\xE2\x80\x9D \xE2\x82\xAC\n");
}

TEST(TextReaderTest, LineEndsMakeParagraphsAndTabsStay) {
  EXPECT_EQ(Read("a\r\nb\rc\nd"), "a\nb\nc\nd\n");
  EXPECT_EQ(Read("a\n\n\nb\n"), "a\n\n\nb\n");
  EXPECT_EQ(Read("a\r\r\nb"), "a\n\nb\n");
  EXPECT_EQ(Read("col1\tcol2\x01\x1A\n"), "col1\tcol2\n");
  EXPECT_EQ(Read("\n"), "\n");
}

TEST(TextReaderTest, ExplicitCodePageAndBlocks) {
  DocumentText out;
  const std::string cyrillic = "\xCF\xF0\xE8\xE2\xE5\xF2";  // "Привет" in Windows-1251
  ASSERT_EQ(wordfilt::ExtractPlainTextIn(1251, Bytes(cyrillic), cyrillic.size(), out),
            LoadStatus::kOk);
  EXPECT_EQ(Utf8(out.text), "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\n");
  // Long text read in blocks: no character is cut at a block's edge, and a CR
  // LF split between blocks is one line end.
  std::string big;
  for (int i = 0; i < 30000; ++i) big += "\xE2\x82\xAC";  // no byte below 0x80 at all
  big += "\r\nend";
  std::string lines(70000, 'x');
  lines[65535] = '\r';
  lines[65536] = '\n';
  for (const std::string& s : {big, lines}) {
    const std::string text = Read(s);
    EXPECT_EQ(text.find("\xC3"), std::string::npos);  // nothing decoded as 1252
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
  }
}

TEST(TextReaderTest, ControlsAndLineEndsFoundAtEveryOffset) {
  // Runs are scanned several units at a time: a line end or a control
  // character in any position of such a group must still be seen.
  for (std::size_t at = 0; at < 9; ++at) {
    const std::string head(at, 'a');
    for (const char* end : {"\n", "\r", "\x0C"}) {
      EXPECT_EQ(Read(head + end + "bbbbbbbbbb"), head + "\nbbbbbbbbbb\n") << at;
    }
    EXPECT_EQ(Read(head + "\x01\x1F" + "cccccccc\x7F"), head + "cccccccc\x7F\n") << at;
    EXPECT_EQ(Read(head + "\t\xC3\xA9" + "dddddddd"), head + "\t\xC3\xA9" + "dddddddd\n") << at;
  }
}

TEST(TextReaderTest, LateMalformedByteMakesTheWholeTextAnsi) {
  // UTF-8 for two blocks and more, then one byte that cannot be UTF-8: the
  // whole text is read in the system's page, not only the part after it.
  std::string s = "caf\xC3\xA9\n";
  while (s.size() < 200000) s += "plain line of text\n";
  s += "price \x80 5\n";
  const std::string text = Read(s);
  if (wordfilt::SystemTextCodePage() == 1252) {
    EXPECT_EQ(text.substr(0, 8), "caf\xC3\x83\xC2\xA9\n");
  } else {
    EXPECT_EQ(text.substr(0, 6), "caf\xC3\xA9\n");
  }
  EXPECT_NE(text.find("price \xE2\x82\xAC 5\n"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(s.begin(), s.end(), '\n'));
}

TEST(TextReaderTest, ChunksFollowParagraphs) {
  wordfilt::ExtractOptions options;
  options.chunkChars = 0;
  DocumentText out;
  const std::string s = "one\ntwo\nthree\n";
  ASSERT_EQ(ExtractPlainText(Bytes(s), s.size(), out, options), LoadStatus::kOk);
  ASSERT_EQ(out.chunks.size(), 3u);
  EXPECT_EQ(Utf8(out.ChunkText(1)), "two\n");
  EXPECT_EQ(out.chunks[1].breakType, wordfilt::kBreakParagraph);
}

TEST(TextDecoderTest, Utf8Validation) {
  using wordfilt::IsValidUtf8;
  const auto valid = [](std::string_view s, bool cut = false) {
    return IsValidUtf8(Bytes(s), s.size(), cut);
  };
  EXPECT_TRUE(valid("plain \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));
  EXPECT_FALSE(valid("\xC0\xAF"));          // overlong
  EXPECT_FALSE(valid("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(valid("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_FALSE(valid("\xE2\x82"));
  EXPECT_TRUE(valid("\xE2\x82", true));
  EXPECT_FALSE(valid("\xE2\x41", true));
  EXPECT_EQ(wordfilt::CodePageFromCharset("\"Windows-1251\""), 1251u);
  EXPECT_EQ(wordfilt::CodePageFromCharset("ISO-8859-1"), 1252u);
  EXPECT_EQ(wordfilt::CodePageFromCharset("shift_jis"), 932u);
  EXPECT_EQ(wordfilt::CodePageFromCharset("windows-1259"), 0u);
  EXPECT_EQ(wordfilt::CodePageFromCharset("x-unknown"), 0u);
}

TEST(TextDecoderTest, DoubleBytePages) {
  wordfilt::TextDecoder decoder(932);
  std::u16string out;
  const std::string sjis = "\x93\xFA\x96\x7B abc";  // 日本 abc
  decoder.Decode(Bytes(sjis), sjis.size(), out);
  EXPECT_EQ(Utf8(out), "\xE6\x97\xA5\xE6\x9C\xAC abc");
}

}  // namespace
}  // namespace formattest
