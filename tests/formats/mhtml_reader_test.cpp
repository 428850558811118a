// Web archives: MIME structure and transfer encodings.
#include <gtest/gtest.h>

#include <string>

#include "tests/formats/format_test_support.h"
#include "wordfilt/formats/any_format.h"
#include "wordfilt/html/html_reader.h"
#include "wordfilt/html/mime_parts.h"

namespace formattest {
namespace {

using wordfilt::DocumentText;
using wordfilt::LoadStatus;

std::string Archive(const std::string& s, LoadStatus expect = LoadStatus::kOk) {
  DocumentText out;
  EXPECT_EQ(wordfilt::ExtractMhtml(Bytes(s), s.size(), out), expect);
  EXPECT_TRUE(ChunksTileText(out));
  return Utf8(out.text);
}

TEST(MhtmlReaderTest, QuotedPrintableHtmlPartInItsCharset) {
  const std::string mht =
      "MIME-Version: 1.0\r\n"
      "Content-Type: multipart/related; boundary=\"----=_NextPart_01\"\r\n\r\n"
      "This is a multi-part message.\r\n\r\n"
      "------=_NextPart_01\r\n"
      "Content-Location: file:///C:/page.htm\r\n"
      "Content-Transfer-Encoding: quoted-printable\r\n"
      "Content-Type: text/html; charset=\"windows-1252\"\r\n\r\n"
      "<html><head><meta http-equiv=3DContent-Type content=3D\"text/html; "
      "charset=3Dwindows-125=\r\n"
      "2\"><title>T</title></head><body><p class=3DMsoNormal>Caf=E9 au lait, a long line=\r\n"
      " that was wrapped</p></body></html>\r\n\r\n"
      "------=_NextPart_01\r\n"
      "Content-Location: file:///C:/page_files/image001.png\r\n"
      "Content-Transfer-Encoding: base64\r\n"
      "Content-Type: image/png\r\n\r\n"
      "iVBORw0KGgo=\r\n\r\n"
      "------=_NextPart_01--\r\n";
  EXPECT_EQ(Archive(mht), "Caf\xC3\xA9 au lait, a long line that was wrapped\n");
  // The whole route: detected as an archive by content.
  DocumentText out;
  ASSERT_EQ(wordfilt::ExtractAnyFormat(Bytes(mht), mht.size(), out), LoadStatus::kOk);
  EXPECT_EQ(Utf8(out.text), "Caf\xC3\xA9 au lait, a long line that was wrapped\n");
  ASSERT_EQ(out.properties.size(), 1u);
}

TEST(MhtmlReaderTest, Base64PartInsideNestedMultipart) {
  // "<p>Привет</p>" in UTF-8, base64, inside multipart/alternative.
  const std::string mht =
      "MIME-Version: 1.0\n"
      "Content-Type: multipart/mixed;\n boundary=outer\n\n"
      "--outer\n"
      "Content-Type: multipart/alternative; boundary=\"inner\"\n\n"
      "--inner\n"
      "Content-Type: text/plain; charset=utf-8\n\n"
      "plain version\n"
      "--inner\n"
      "Content-Type: text/html; charset=utf-8\n"
      "Content-Transfer-Encoding: base64\n\n"
      "PHA+0J/RgNC4\n0LLQtdGCPC9wPg==\n"
      "--inner--\n"
      "--outer--\n";
  EXPECT_EQ(Archive(mht), "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\n");
}

TEST(MhtmlReaderTest, PlainPartWhenThereIsNoHtmlAndDamagedArchives) {
  EXPECT_EQ(Archive("MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=b\n\n--b\n"
                    "Content-Type: text/plain; charset=windows-1251\n\n\xCC\xE8\xF0\n--b--\n"),
            "\xD0\x9C\xD0\xB8\xD1\x80\n");
  EXPECT_EQ(Archive("Content-Type: text/html\nContent-Transfer-Encoding: quoted-printable\n\n"
                    "<p>a=3Db =ZZ =\n"),
            "a=b =ZZ\n");
  // No boundary, a boundary never used, parts with no type we read.
  Archive("Content-Type: multipart/related\n\n<p>x", LoadStatus::kNotWord);
  Archive("Content-Type: multipart/related; boundary=zz\n\n<p>x", LoadStatus::kNotWord);
  Archive("Content-Type: multipart/related; boundary=b\n\n--b\nContent-Type: image/png\n\nxx",
          LoadStatus::kNotWord);
  // Nesting deeper than the reader follows ends the search instead of the stack.
  std::string deep = "Content-Type: multipart/mixed; boundary=b\n\n";
  for (int i = 0; i < 1000; ++i) deep += "--b\nContent-Type: multipart/mixed; boundary=b\n\n";
  Archive(deep, LoadStatus::kNotWord);
}

TEST(MimePartsTest, TransferEncodings) {
  using wordfilt::DecodeBase64;
  using wordfilt::DecodeQuotedPrintable;
  EXPECT_EQ(DecodeQuotedPrintable("a=3D=3db=\r\nc= \r\nd=4"), "a==bcd=4");
  EXPECT_EQ(DecodeBase64("SGVs\r\nbG8="), "Hello");
  EXPECT_EQ(DecodeBase64("SGVsbA"), "Hell");
  EXPECT_EQ(DecodeBase64("!!S G V s bG8h"), "Hello!");
  const wordfilt::MimePart part = wordfilt::ParseMimeEntity(
      "content-type: Text/HTML;\r\n\tcharset=\"koi8-r\"; boundary=x\r\n"
      "Content-Transfer-Encoding: BASE64\r\n\r\nbody");
  EXPECT_EQ(part.type, "text/html");
  EXPECT_EQ(part.charset, "koi8-r");
  EXPECT_EQ(part.encoding, "base64");
  EXPECT_EQ(part.body, "body");
}

}  // namespace
}  // namespace formattest
