// The readers of word-processing XML on small documents written for each
// rule: what reaches the text, in which story and chunk, with which locale.
#include <gtest/gtest.h>

#include <string>

#include "platform/utf.h"
#include "tests/support/zip_builder.h"
#include "wordfilt/formats/any_format.h"
#include "wordfilt/formats/detect.h"

namespace {

using docflt_test::BuildPackage;
using docflt_test::PackagePart;
using wordfilt::DocumentText;
using wordfilt::LoadStatus;

const std::string kNs =
    " xmlns:w='http://schemas.openxmlformats.org/wordprocessingml/2006/main'"
    " xmlns:r='http://schemas.openxmlformats.org/officeDocument/2006/relationships'"
    " xmlns:mc='http://schemas.openxmlformats.org/markup-compatibility/2006'"
    " xmlns:v='urn:schemas-microsoft-com:vml'";

std::string Doc(const std::string& body) {
  return "<?xml version='1.0' encoding='UTF-8' standalone='yes'?><w:document" + kNs + "><w:body>" +
         body + "</w:body></w:document>";
}

std::string P(const std::string& runs) { return "<w:p>" + runs + "</w:p>"; }
std::string R(const std::string& text) { return "<w:r><w:t>" + text + "</w:t></w:r>"; }

std::string Utf8(std::u16string_view s) {
  std::string out;
  platform::AppendUtf8(s, &out);
  return out;
}

LoadStatus Extract(const std::string& file, DocumentText& out,
                   const wordfilt::ExtractOptions& options = wordfilt::ExtractOptions()) {
  return wordfilt::ExtractAnyFormat(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(),
                                    out, options);
}

std::string TextOf(const std::string& file) {
  DocumentText out;
  EXPECT_EQ(Extract(file, out), LoadStatus::kOk);
  std::size_t at = 0;
  for (const auto& c : out.chunks) {
    EXPECT_EQ(c.offset, at);
    EXPECT_GT(c.length, 0u);
    at += c.length;
  }
  EXPECT_EQ(at, out.text.size());
  return Utf8(out.text);
}

TEST(OoxmlTest, RunsTabsBreaksSymbolsAndHyphens) {
  const std::string body =
      P("<w:r><w:t xml:space='preserve'>one </w:t><w:tab/><w:t>two</w:t><w:br/><w:t>three</w:t>"
        "<w:cr/><w:t>four</w:t><w:noBreakHyphen/><w:t>five</w:t><w:softHyphen/><w:t>six</w:t>"
        "<w:sym w:font='Symbol' w:char='F061'/><w:sym w:font='Wingdings' w:char='F04A'/>"
        "<w:sym w:font='Arial' w:char='00A9'/></w:r>") +
      P("<w:pPr><w:tabs><w:tab w:val='left' w:pos='720'/></w:tabs></w:pPr>" + R("tab stops"));
  EXPECT_EQ(TextOf(BuildPackage(Doc(body))),
            "one \ttwo\nthree\nfour-five\xC2\xADsix\xCE\xB1\xC2\xA9\ntab stops\n");
}

TEST(OoxmlTest, DeletedInstructionsAndHiddenTextStayOut) {
  const std::string body =
      P(R("kept ") + "<w:del w:id='1'><w:r><w:delText>deleted</w:delText><w:tab/></w:r></w:del>" +
        "<w:ins w:id='2'>" + R("inserted ") + "</w:ins>" +
        "<w:r><w:fldChar w:fldCharType='begin'/></w:r><w:r><w:instrText>PAGE</w:instrText></w:r>"
        "<w:r><w:fldChar w:fldCharType='separate'/></w:r>" +
        R("result ") +
        "<w:r><w:fldChar w:fldCharType='end'/></w:r>"
        "<w:fldSimple w:instr='NUMPAGES'>" +
        R("simple ") +
        "</w:fldSimple>"
        "<w:r><w:rPr><w:vanish/></w:rPr><w:t>hidden</w:t></w:r>"
        "<w:r><w:rPr><w:vanish w:val='false'/></w:rPr><w:t>shown </w:t></w:r>"
        "<w:moveFrom w:id='3'>" +
        R("moved away") + "</w:moveFrom>" +
        // A field whose instruction holds a whole nested field.
        "<w:r><w:fldChar w:fldCharType='begin'/></w:r><w:r><w:instrText>IF </w:instrText></w:r>"
        "<w:r><w:fldChar w:fldCharType='begin'/></w:r>" +
        R("nested") +
        "<w:r><w:fldChar w:fldCharType='end'/></w:r><w:r><w:fldChar "
        "w:fldCharType='separate'/></w:r>" +
        R("end") + "<w:r><w:fldChar w:fldCharType='end'/></w:r>");
  EXPECT_EQ(TextOf(BuildPackage(Doc(body))), "kept inserted result simple shown end\n");
}

TEST(OoxmlTest, TablesAsCellsAndRows) {
  const std::string cell = "<w:tc><w:tcPr/>" + P(R("a")) + "</w:tc>";
  const std::string body = "<w:tbl><w:tblPr/><w:tr>" + cell + "<w:tc>" + P(R("b1")) + P(R("b2")) +
                           "</w:tc><w:tc>" + P("") + "</w:tc></w:tr><w:tr>" + cell +
                           "<w:tc><w:tbl><w:tr><w:tc>" + P(R("in")) + "</w:tc><w:tc>" +
                           P(R("ner")) + "</w:tc></w:tr></w:tbl>" + P("") +
                           "</w:tc></w:tr></w:tbl>" + P(R("after"));
  EXPECT_EQ(TextOf(BuildPackage(Doc(body))), "a\tb1\nb2\t\na\tin\tner\n\nafter\n");
}

TEST(OoxmlTest, StoriesComeAfterTheMainTextInOrder) {
  const std::string textBox =
      "<w:r><mc:AlternateContent><mc:Choice Requires='wps'><w:drawing><w:txbxContent>" +
      P(R("box text")) +
      "</w:txbxContent></w:drawing></mc:Choice><mc:Fallback><w:pict><v:shape><v:textbox>"
      "<w:txbxContent>" +
      P(R("box text")) +
      "</w:txbxContent></v:textbox></v:shape></w:pict></mc:Fallback>"
      "</mc:AlternateContent></w:r>";
  const std::string body =
      P(R("main") + textBox + "<w:r><w:footnoteReference w:id='1'/></w:r>") +
      "<w:sectPr><w:headerReference w:type='default' r:id='rH'/>"
      "<w:footerReference w:type='default' r:id='rF'/><w:headerReference r:id='rH'/></w:sectPr>";
  const std::string notes = "<w:footnotes" + kNs + "><w:footnote w:type='separator' w:id='-1'>" +
                            P("<w:r><w:separator/></w:r>") + "</w:footnote><w:footnote w:id='1'>" +
                            P(R("note")) + "</w:footnote></w:footnotes>";
  const std::string comments =
      "<w:comments" + kNs + "><w:comment w:id='0'>" + P(R("remark")) + "</w:comment></w:comments>";
  const std::string endnotes =
      "<w:endnotes" + kNs + "><w:endnote w:id='1'>" + P(R("endnote")) + "</w:endnote></w:endnotes>";
  const std::vector<PackagePart> parts = {
      {"word/endnotes.xml", "endnotes", "rE", endnotes},
      {"word/comments.xml", "comments", "rC", comments},
      {"word/footer1.xml", "footer", "rF", "<w:ftr" + kNs + ">" + P(R("footer")) + "</w:ftr>"},
      {"word/header1.xml", "header", "rH", "<w:hdr" + kNs + ">" + P(R("header")) + "</w:hdr>"},
      {"word/header2.xml", "header", "rX", "<w:hdr" + kNs + ">" + P(R("unused")) + "</w:hdr>"},
      {"word/footnotes.xml", "footnotes", "rN", notes}};
  DocumentText out;
  ASSERT_EQ(Extract(BuildPackage(Doc(body), parts), out), LoadStatus::kOk);
  EXPECT_EQ(Utf8(out.text), "main\nnote\nheader\nfooter\nremark\nendnote\nbox text\n");
  // Each story starts a chunk of its own.
  std::vector<std::string> chapters;
  for (std::size_t i = 0; i < out.chunks.size(); ++i) {
    if (out.chunks[i].breakType == wordfilt::kBreakChapter)
      chapters.push_back(Utf8(out.ChunkText(i)));
  }
  EXPECT_EQ(chapters, (std::vector<std::string>{"note\n", "header\n", "footer\n", "remark\n",
                                                "endnote\n", "box text\n"}));
  wordfilt::ExtractOptions mainOnly;
  mainOnly.mainTextOnly = true;
  ASSERT_EQ(Extract(BuildPackage(Doc(body), parts), out, mainOnly), LoadStatus::kOk);
  EXPECT_EQ(Utf8(out.text), "main\n");
}

TEST(OoxmlTest, ListNumbers) {
  const std::string numbering =
      "<w:numbering" + kNs +
      "><w:abstractNum w:abstractNumId='10'>"
      "<w:lvl w:ilvl='0'><w:start w:val='1'/><w:numFmt w:val='decimal'/><w:lvlText "
      "w:val='%1.'/></w:lvl>"
      "<w:lvl w:ilvl='1'><w:start w:val='1'/><w:numFmt w:val='lowerLetter'/>"
      "<w:lvlText w:val='%1.%2)'/><w:suff w:val='space'/></w:lvl></w:abstractNum>"
      "<w:abstractNum w:abstractNumId='20'><w:lvl w:ilvl='0'><w:start w:val='4'/>"
      "<w:numFmt w:val='upperRoman'/><w:lvlText w:val='%1'/><w:suff w:val='nothing'/></w:lvl>"
      "</w:abstractNum><w:abstractNum w:abstractNumId='30'><w:lvl w:ilvl='0'>"
      "<w:numFmt w:val='bullet'/><w:lvlText w:val='\xEF\x82\xB7'/><w:rPr><w:rFonts "
      "w:ascii='Symbol'/>"
      "</w:rPr></w:lvl></w:abstractNum>"
      "<w:num w:numId='1'><w:abstractNumId w:val='10'/></w:num>"
      "<w:num w:numId='2'><w:abstractNumId w:val='20'/></w:num>"
      "<w:num w:numId='3'><w:abstractNumId w:val='30'/></w:num>"
      "<w:num w:numId='4'><w:abstractNumId w:val='10'/><w:lvlOverride w:ilvl='0'>"
      "<w:startOverride w:val='7'/></w:lvlOverride></w:num></w:numbering>";
  auto item = [](const char* num, const char* level, const std::string& text) {
    return "<w:p><w:pPr><w:numPr><w:ilvl w:val='" + std::string(level) + "'/><w:numId w:val='" +
           num + "'/></w:numPr></w:pPr>" + R(text) + "</w:p>";
  };
  const std::string body = item("1", "0", "one") + item("1", "1", "sub") + item("1", "1", "sub") +
                           item("1", "0", "two") + item("1", "1", "sub") + item("2", "0", "four") +
                           item("2", "0", "five") + item("3", "0", "dot") +
                           item("4", "0", "seven") + item("0", "0", "none");
  EXPECT_EQ(TextOf(BuildPackage(Doc(body), {{"word/numbering.xml", "numbering", "rN", numbering}})),
            "1.\tone\n1.a) sub\n1.b) sub\n2.\ttwo\n2.a) sub\nIVfour\nVfive\n\xE2\x80\xA2\tdot\n"
            "7.\tseven\nnone\n");
}

TEST(OoxmlTest, LanguagesBecomeChunkLocales) {
  const std::string styles =
      "<w:styles" + kNs +
      "><w:docDefaults><w:rPrDefault><w:rPr><w:lang w:val='en-GB' w:eastAsia='ja-JP'/></w:rPr>"
      "</w:rPrDefault></w:docDefaults><w:style w:type='paragraph' w:styleId='German'>"
      "<w:rPr><w:lang w:val='de-DE'/></w:rPr></w:style></w:styles>";
  const std::string body = P(R("plain english")) +
                           "<w:p><w:pPr><w:pStyle w:val='German'/></w:pPr>" + R("deutsch") +
                           "</w:p>" +
                           P("<w:r><w:rPr><w:lang w:val='fr-FR'/></w:rPr><w:t>fran\xC3\xA7"
                             "ais "
                             "\xE6\x97\xA5\xE6\x9C\xAC</w:t></w:r>");
  DocumentText out;
  ASSERT_EQ(Extract(BuildPackage(Doc(body), {{"word/styles.xml", "styles", "rS", styles}}), out),
            LoadStatus::kOk);
  std::vector<std::pair<std::string, std::uint32_t>> chunks;
  for (std::size_t i = 0; i < out.chunks.size(); ++i) {
    chunks.emplace_back(Utf8(out.ChunkText(i)), out.chunks[i].locale);
  }
  const std::vector<std::pair<std::string, std::uint32_t>> expected = {
      {"plain english\n", 0x0809u},
      {"deutsch\n", 0x0407u},
      {"fran\xC3\xA7"
       "ais ",
       0x040Cu},
      {"\xE6\x97\xA5\xE6\x9C\xAC\n", 0x0411u}};
  EXPECT_EQ(chunks, expected);
}

TEST(OoxmlTest, CorePropertiesAndPackagesThatAreNoWordDocuments) {
  const std::string core =
      "<cp:coreProperties xmlns:cp='http://schemas.openxmlformats.org/package/2006/metadata/"
      "core-properties' xmlns:dc='http://purl.org/dc/elements/1.1/'><dc:title>Tide &amp; time"
      "</dc:title><dc:creator> Ada </dc:creator><cp:keywords>a, b</cp:keywords><dc:subject/>"
      "</cp:coreProperties>";
  DocumentText out;
  ASSERT_EQ(Extract(BuildPackage(Doc(P(R("x"))), {}, core), out), LoadStatus::kOk);
  ASSERT_EQ(out.properties.size(), 3u);
  EXPECT_EQ(out.properties[0].id, 2u);
  EXPECT_EQ(Utf8(out.properties[0].value), "Tide & time");
  EXPECT_EQ(out.properties[1].id, 4u);
  EXPECT_EQ(Utf8(out.properties[1].value), "Ada");
  EXPECT_EQ(out.properties[2].id, 5u);

  // A zip without content types, a workbook, a main part of another
  // vocabulary: unknown formats. A package with its main part damaged: damaged.
  using docflt_test::BuildZip;
  EXPECT_EQ(Extract(BuildZip({{"word/document.xml", Doc(P(R("x")))}}), out), LoadStatus::kNotWord);
  EXPECT_EQ(Extract(BuildPackage("<workbook xmlns='urn:x'/>"), out), LoadStatus::kNotWord);
  EXPECT_EQ(Extract(BuildPackage("<w:document" + kNs + "><w:body><w:p><w:r><w:t>cut"), out),
            LoadStatus::kOk);
  EXPECT_TRUE(out.truncated);
  EXPECT_EQ(Utf8(out.text), "cut\n");
  std::string bomb = BuildZip({{"[Content_Types].xml", "<Types/>"},
                               {"word/document.xml", Doc(std::string(24 << 20, ' '))}});
  EXPECT_EQ(Extract(bomb, out), LoadStatus::kDamaged);
}

// --- Word 2003 XML ------------------------------------------------------------

const std::string kWordMl =
    "<?xml version='1.0' encoding='UTF-8'?><?mso-application progid='Word.Document'?>"
    "<w:wordDocument xmlns:w='http://schemas.microsoft.com/office/word/2003/wordml' "
    "xmlns:o='urn:schemas-microsoft-com:office:office' "
    "xmlns:aml='http://schemas.microsoft.com/aml/2001/core'>"
    "<o:DocumentProperties><o:Title>Ledger</o:Title><o:Author>Tom\xC3\xA1s</o:Author>"
    "</o:DocumentProperties>"
    "<w:lists><w:listDef w:listDefId='0'><w:lvl w:ilvl='0'><w:start w:val='1'/><w:nfc w:val='4'/>"
    "<w:lvlText w:val='%1)'/></w:lvl></w:listDef><w:list w:ilfo='1'><w:ilst w:val='0'/></w:list>"
    "</w:lists><w:body><w:p><w:r><w:t>Before</w:t></w:r><w:r><w:footnote><w:p><w:r>"
    "<w:t>inline note</w:t></w:r></w:p></w:footnote></w:r><w:r><w:t> after</w:t></w:r></w:p>"
    "<w:p><w:pPr><w:listPr><w:ilvl w:val='0'/><w:ilfo w:val='1'/></w:listPr></w:pPr>"
    "<w:r><w:t>item</w:t></w:r></w:p>"
    "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>c1</w:t></w:r></w:p></w:tc><w:tc><w:p><w:r><w:t>c2</w:t>"
    "</w:r></w:p></w:tc></w:tr></w:tbl>"
    "<w:p><aml:annotation w:type='Word.Deletion'><w:r><w:delText>gone</w:delText></w:r>"
    "</aml:annotation><aml:annotation w:type='Word.Comment'><aml:content><w:p><w:r><w:t>note to "
    "self"
    "</w:t></w:r></w:p></aml:content></aml:annotation><w:r><w:t>end</w:t></w:r></w:p>"
    "<w:sectPr><w:hdr w:type='odd'><w:p><w:r><w:t>page head</w:t></w:r></w:p></w:hdr></w:sectPr>"
    "</w:body></w:wordDocument>";

TEST(WordXmlTest, SingleFileLayout) {
  const std::uint8_t* data = reinterpret_cast<const std::uint8_t*>(kWordMl.data());
  EXPECT_EQ(wordfilt::DetectFormat(data, kWordMl.size()), wordfilt::Format::kWordXml);
  DocumentText out;
  ASSERT_EQ(Extract(kWordMl, out), LoadStatus::kOk);
  EXPECT_EQ(Utf8(out.text),
            "Before after\na)\titem\nc1\tc2\nend\ninline note\npage head\nnote to self\n");
  ASSERT_EQ(out.properties.size(), 2u);
  EXPECT_EQ(Utf8(out.properties[1].value), "Tom\xC3\xA1s");
}

TEST(WordXmlTest, DetectedInUtf16AndOnlyByItsRoot) {
  std::string utf16 = "\xFF\xFE";
  std::u16string wide;
  wide.reserve(kWordMl.size());
  for (unsigned char c : kWordMl) wide.push_back(c);  // ASCII except two bytes of "Tomás"
  for (char16_t c : wide) {
    utf16.push_back(static_cast<char>(c & 0xFF));
    utf16.push_back(static_cast<char>(c >> 8));
  }
  DocumentText out;
  ASSERT_EQ(Extract(utf16, out), LoadStatus::kOk);
  EXPECT_NE(Utf8(out.text).find("Before after\na)\titem\n"), std::string::npos);
  const std::string other =
      "<?xml version='1.0'?><!-- wordDocument --><html><body>wordDocument</body></html>";
  EXPECT_NE(
      wordfilt::DetectFormat(reinterpret_cast<const std::uint8_t*>(other.data()), other.size()),
      wordfilt::Format::kWordXml);
  const std::string wrongNs = "<w:wordDocument xmlns:w='urn:not-word'/>";
  EXPECT_NE(
      wordfilt::DetectFormat(reinterpret_cast<const std::uint8_t*>(wrongNs.data()), wrongNs.size()),
      wordfilt::Format::kWordXml);
}

}  // namespace
