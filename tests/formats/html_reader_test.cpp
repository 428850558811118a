// Web pages: layout, references, charsets, hidden content, title.
#include "wordfilt/html/html_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/formats/format_test_support.h"

namespace formattest {
namespace {

using wordfilt::DocumentText;
using wordfilt::LoadStatus;

DocumentText Page(const std::string& s, const wordfilt::ExtractOptions& options = {}) {
  DocumentText out;
  EXPECT_EQ(wordfilt::ExtractHtml(Bytes(s), s.size(), out, options), LoadStatus::kOk);
  EXPECT_TRUE(ChunksTileText(out));
  return out;
}

std::string Text(const std::string& s) { return Utf8(Page(s).text); }

TEST(HtmlReaderTest, BlocksAndWhiteSpaceAsABrowserLaysThemOut) {
  EXPECT_EQ(Text("<html><body><p>  One\n  two  </p><p>three</p></body></html>"),
            "One two\nthree\n");
  EXPECT_EQ(Text("<h1>Head</h1>text<div><div>deep</div></div>after"), "Head\ntext\ndeep\nafter\n");
  EXPECT_EQ(Text("a<b>b</b> <i>c</i>d"), "ab cd\n");
  EXPECT_EQ(Text("line<br>next<br/><br>last"), "line\nnext\n\nlast\n");
  EXPECT_EQ(Text("<ul><li>one<li>two</ul>"), "one\ntwo\n");
  EXPECT_EQ(Text("<p></p><p>  </p><p>x</p>"), "x\n");
  EXPECT_EQ(Text("<pre>\n  a  b\n\tc</pre>d"), "  a  b\n\tc\nd\n");
  EXPECT_EQ(Text("x &nbsp; y"), "x \xC2\xA0 y\n");
}

TEST(HtmlReaderTest, TablesAsTheWordReaderRendersThem) {
  EXPECT_EQ(Text("<table><tr><td>a</td><td>b</td></tr><tr><td>c<td>d</table>after"),
            "a\tb\nc\td\nafter\n");
  // Paragraphs inside cells do not split the row; empty cells keep their place.
  EXPECT_EQ(Text("<table><tr><td><p>a</p></td><td></td><td><p>b</p><p>c</p></td></tr></table>"),
            "a\t\tb\nc\n");
  EXPECT_EQ(Text("before<table><tr><th>h</th></tr></table>"), "before\nh\n");
}

TEST(HtmlReaderTest, UnclosedAndBrokenMarkup) {
  EXPECT_EQ(Text("<p>one<p>two<div>three"), "one\ntwo\nthree\n");
  EXPECT_EQ(Text("a < b and 1<2"), "a < b and 1<2\n");
  EXPECT_EQ(Text("a<d"), "a\n");                  // as a browser: a tag the end cuts off
  EXPECT_EQ(Text("text <b unclosed"), "text\n");  // a tag the end cuts off is dropped
  EXPECT_EQ(Text("x<a href=\"never closed>y"), "x\n");
  EXPECT_EQ(Text("x<!-- comment without end"), "x\n");
  EXPECT_EQ(Text("a<!---->b<!-->c<! bogus >d</ bogus>e<?pi?>f</>g"), "abcdefg\n");
  EXPECT_EQ(Text("<td>cell outside any table</td><tr>row</tr>"), "cell outside any table\nrow\n");
  EXPECT_EQ(Text("</table></tr><td>x"), "x\n");
  std::string deep;
  for (int i = 0; i < 200; ++i) deep += "<table><tr><td>";
  deep += "z";
  EXPECT_EQ(Text(deep), "z\n");
}

TEST(HtmlReaderTest, CharacterReferences) {
  EXPECT_EQ(Text("&lt;&amp;&gt;&quot;&apos; &eacute;&Omega;&hellip;&euro;"),
            "<&>\"' \xC3\xA9\xCE\xA9\xE2\x80\xA6\xE2\x82\xAC\n");
  EXPECT_EQ(Text("&#65;&#x42;&#X43; &#128512; &#x80; &#0; &#xD800;"),
            "ABC \xF0\x9F\x98\x80 \xE2\x82\xAC \xEF\xBF\xBD \xEF\xBF\xBD\n");
  // Latin-1 names work without the semicolon; unknown names stay as written.
  EXPECT_EQ(Text("&copy2024 &ampx AT&T &bogus; &"),
            "\xC2\xA9"
            "2024 &x AT&T &bogus; &\n");
}

TEST(HtmlReaderTest, HiddenContentIsLeftOut) {
  const std::string page =
      "<html><head><title>The  Title</title><style>p {color:red}</style>"
      "<script>var s = '</p>not text';</script><meta name=x content=y></head>"
      "<body><script type=text/javascript>document.write('<p>no')</script>"
      "<!-- a comment --><p>shown</p><xml><o:DocumentProperties>hidden</o:DocumentProperties>"
      "</xml><style>\n.x{}</STYLE >visible</body></html>";
  const DocumentText doc = Page(page);
  EXPECT_EQ(Utf8(doc.text), "shown\nvisible\n");
  ASSERT_EQ(doc.properties.size(), 1u);
  EXPECT_EQ(doc.properties[0].id, 2u);
  EXPECT_EQ(Utf8(doc.properties[0].value), "The Title");
  wordfilt::ExtractOptions noProperties;
  noProperties.properties = false;
  EXPECT_TRUE(Page(page, noProperties).properties.empty());
  // A script never closed hides the rest; text in the head is no body text.
  EXPECT_EQ(Text("<p>a</p><script>b<p>c"), "a\n");
  EXPECT_EQ(Text("<head>stray<link rel=x></head><body>body"), "body\n");
}

TEST(HtmlReaderTest, CharsetDeclarations) {
  // "café" in Windows-1252 with the page's declaration, in both forms.
  EXPECT_EQ(Text("<meta charset=\"windows-1252\"><p>caf\xE9"), "caf\xC3\xA9\n");
  EXPECT_EQ(Text("<html><head><meta http-equiv=Content-Type "
                 "content=\"text/html; charset=windows-1251\"></head><body>\xCC\xE8\xF0"),
            "\xD0\x9C\xD0\xB8\xD1\x80\n");
  // A declaration and a byte-order mark that differ: the mark wins.
  EXPECT_EQ(Text("\xEF\xBB\xBF<meta charset=windows-1251><p>\xD0\x9C\xD0\xB8\xD1\x80"),
            "\xD0\x9C\xD0\xB8\xD1\x80\n");
  EXPECT_EQ(Text(Utf16("<meta charset=windows-1252><p>UTF-16 page &amp; more", false)),
            "UTF-16 page & more\n");
  EXPECT_EQ(Text(Utf16("<p>big endian", true)), "big endian\n");
  // Without a declaration: UTF-8 when the bytes are UTF-8.
  EXPECT_EQ(Text("<p>\xE6\x97\xA5\xE6\x9C\xAC"), "\xE6\x97\xA5\xE6\x9C\xAC\n");
  // A charset from outside the page wins over its own declaration.
  DocumentText out;
  const std::string sjis = "<meta charset=utf-8><p>\x93\xFA\x96\x7B";
  ASSERT_EQ(wordfilt::ExtractHtmlIn(932, Bytes(sjis), sjis.size(), out), LoadStatus::kOk);
  EXPECT_EQ(Utf8(out.text), "\xE6\x97\xA5\xE6\x9C\xAC\n");
}

TEST(HtmlReaderTest, WordStyleMarkup) {
  const std::string page =
      "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\">\n<head>\n"
      "<!--[if gte mso 9]><xml>\n <o:DocumentProperties>\n  <o:Author>me</o:Author>\n"
      " </o:DocumentProperties>\n</xml><![endif]-->\n</head>\n<body lang=EN-US>\n"
      "<p class=MsoListParagraph><![if !supportLists]><span>1.<span>&nbsp;&nbsp; "
      "</span></span><![endif]>First item<o:p></o:p></p>\n"
      "<p class=MsoNormal>Second<span style='mso-spacerun:yes'>&nbsp; </span>para</p>\n"
      "</body>\n</html>";
  EXPECT_EQ(Text(page), "1.\xC2\xA0\xC2\xA0 First item\nSecond\xC2\xA0 para\n");
}

}  // namespace
}  // namespace formattest

namespace formattest {
namespace {

std::string ChunkLocales(const std::string& page) {
  const wordfilt::DocumentText doc = Page(page);
  std::string out;
  for (std::size_t i = 0; i < doc.chunks.size(); ++i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04X:", doc.chunks[i].locale);
    out += buf + Utf8(doc.ChunkText(i)) + "|";
  }
  return out;
}

TEST(HtmlReaderTest, LangAttributesSetChunkLocales) {
  EXPECT_EQ(ChunkLocales("<html lang=pl><body><p>Zielona g\xC3\xB3ra <span lang=EN-GB>colour</span>"
                         " koniec</p><p lang=de>Stra\xC3\x9F"
                         "e<p>wieder</body></html>"),
            "0415:Zielona g\xC3\xB3ra |0809:colour |0415:koniec\n|0407:Stra\xC3\x9F"
            "e\n|"
            "0415:wieder\n|");
  // Unknown tags, void elements and unmatched end tags change nothing.
  EXPECT_EQ(ChunkLocales("<body lang=x-none><br lang=fr>one<img lang=fr></span></p>two"),
            "0409:\none\ntwo\n|");
}

}  // namespace
}  // namespace formattest
