// What a reader sees: fields, tables, control characters, hidden and deleted
// text, symbols, and Word 6 text in its font's code page.
#include <gtest/gtest.h>

#include "tests/wordfilt/test_support.h"

namespace wordtest {
namespace {

const Bytes kTtp = Sprm(0x2417, 1, 1);        // sprmPFTtp: this cell mark ends a row
const Bytes kInnerCell = Sprm(0x244B, 1, 1);  // sprmPFInnerTableCell
const Bytes kInnerTtp = Sprm(0x244C, 1, 1);   // sprmPFInnerTtp
const Bytes kHidden = Sprm(0x083C, 1, 1);     // sprmCFVanish
const Bytes kDeleted = Sprm(0x0800, 1, 1);    // sprmCFRMarkDel

TEST(Fields, ResultsShowInstructionsDoNot) {
  EXPECT_EQ(TextOf(DocBuilder().Piece(
                u"See \x13 HYPERLINK \"http://x.org\" \x14the site\x15 now.\r", true)),
            u"See the site now.\n");
  // Fields inside instructions vanish with them; fields inside results show.
  EXPECT_EQ(TextOf(DocBuilder().Piece(u"[\x13 IF \x13 DATE \x14"
                                      "2020\x15 > 1 \x14yes \x13 PAGE \x14"
                                      "3\x15!\x15]\r",
                                      false)),
            u"[yes 3!]\n");
}

TEST(Fields, FieldsWithoutResultAndStrayMarksShowNothing) {
  EXPECT_EQ(TextOf(DocBuilder().Piece(u"A\x13 TC \"entry\" \x15"
                                      "B\x15"
                                      "C\x14"
                                      "D\r",
                                      true)),
            u"ABCD\n");
  // A field left open hides the rest of its story only.
  DocBuilder b;
  b.Piece(u"Main \x13 open\rhidden\r", true)
      .Piece(u"Note\r", true)
      .Stories(19, 5, 0)
      .FootnoteBounds({0, 5});
  EXPECT_EQ(TextOf(b), u"Main \nNote\n");
}

TEST(Tables, CellsAreTabsAndRowsAreLines) {
  DocBuilder b;
  // a|b / c|(empty) rows, then a paragraph after the table.
  b.Piece(
       u"a\x07"
       "b\x07\x07"
       "c\x07\x07\x07"
       "after\r",
       true)
      .Paragraph(4, kTtp)
      .Paragraph(8, kTtp);
  EXPECT_EQ(TextOf(b), u"a\tb\nc\t\nafter\n");
}

TEST(Tables, NestedTableCellsStayOnTheirRow) {
  DocBuilder b;
  b.Piece(u"x\ry\rz\r\x07\x07", true)
      .Paragraph(1, kInnerCell)
      .Paragraph(3, kInnerCell)
      .Paragraph(5, Cat({kInnerCell, kInnerTtp}))
      .Paragraph(7, kTtp);
  EXPECT_EQ(TextOf(b), u"x\ty\tz\n\n");
}

TEST(ControlCharacters, BreaksBecomeLinesAndMarksAreDropped) {
  const std::u16string in =
      u"line\x0B"
      "page\x0C"
      "col\x0E"
      "non\x1E"
      "break opt\x1Fional "
      u"\x01\x08pic\x02\x03\x04\x05 no\u00A0break\ttab\x7F\u0085\r";
  EXPECT_EQ(TextOf(DocBuilder().Piece(in, false)),
            u"line\npage\ncol\nnon-break opt\u00ADional pic no\u00A0break\ttab\n");
}

TEST(CharacterProperties, HiddenAndDeletedTextIsLeftOut) {
  DocBuilder b;
  b.Piece(u"shown ", true)
      .Piece(u"hidden ", true, kHidden)
      .Piece(u"gone ", false, kDeleted)
      .Piece(u"back\r", true);
  EXPECT_EQ(TextOf(b), u"shown back\n");
  // Hidden through the paragraph style, shown again by a toggle that inverts it.
  DocBuilder styled;
  styled.Style(0, 0xFFF, {})
      .Style(1, 0, kHidden)
      .Piece(u"visible\r", true)
      .Piece(u"styled hidden ", true)
      .Piece(u"inverted\r", true, Sprm(0x083C, 0x81, 1))
      .Paragraph(7, {}, 0)
      .Paragraph(30, {}, 1);
  EXPECT_EQ(TextOf(styled), u"visible\ninverted\n");
}

TEST(CharacterProperties, SymbolCharactersMapToUnicode) {
  const Bytes symbolAlpha = Cat({Sprm(0x0855, 1, 1), Sprm(0x6A09, 0xF0610001u, 4)});
  const Bytes wingdings = Cat({Sprm(0x0855, 1, 1), Sprm(0x6A09, 0xF0FC0002u, 4)});
  const Bytes smiley = Cat({Sprm(0x0855, 1, 1), Sprm(0x6A09, 0x263A0002u, 4)});
  DocBuilder b;
  b.Fonts({u"Times New Roman", u"Symbol", u"Wingdings"})
      .Piece(u"a=", true)
      .Piece(u"(", true, symbolAlpha)
      .Piece(u" ", true)
      .Piece(u"(", true, wingdings)
      .Piece(u"(", true, smiley)
      .Piece(u"\r", true);
  EXPECT_EQ(TextOf(b), u"a=\u03B1 \u263A\n");
  // Text typed in the Symbol font itself.
  DocBuilder typed;
  typed.Fonts({u"Arial", u"Symbol"}).Piece(u"p", true, Sprm(0x4A4F, 1, 2)).Piece(u"\r", true);
  EXPECT_EQ(TextOf(typed), u"\u03C0\n");
}

TEST(Word6, TextDecodesInItsFontsCodePage) {
  // "Привет, мир" in Windows-1251 through a Cyrillic font.
  const std::string cyrillic = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0\r";
  wordfilt::MemoryStreams streams = BuildWord6(
      cyrillic, {{"Times New Roman", 0}, {"Symbol", 2}, {"Times New Roman Cyr", 204}}, 2);
  wordfilt::DocumentText out;
  ASSERT_EQ(wordfilt::ExtractText(streams, out), wordfilt::LoadStatus::kOk);
  EXPECT_EQ(out.text, u"\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440\n");
  // The same bytes through a Western font are Windows-1252.
  streams = BuildWord6(cyrillic, {{"Times New Roman", 0}}, 0);
  ASSERT_EQ(wordfilt::ExtractText(streams, out), wordfilt::LoadStatus::kOk);
  EXPECT_EQ(out.text, u"\u00CF\u00F0\u00E8\u00E2\u00E5\u00F2, \u00EC\u00E8\u00F0\n");
  // Symbol font characters.
  streams = BuildWord6("abp\r", {{"Times New Roman", 0}, {"Symbol", 2}}, 1);
  ASSERT_EQ(wordfilt::ExtractText(streams, out), wordfilt::LoadStatus::kOk);
  EXPECT_EQ(out.text, u"\u03B1\u03B2\u03C0\n");
}

TEST(Word6, FarEastEditionsReadDoubleByteTextInTheDocumentsPage) {
  // "日本語 abc" in Shift-JIS under a Western font, as the Japanese editions
  // write it; the same bytes in a plain Word 6 file stay Windows-1252.
  const std::string japanese = "\x93\xFA\x96\x7B\x8C\xEA abc\r";
  const std::vector<Word6Font> western = {{"Times New Roman", 0}};
  wordfilt::DocumentText out;
  for (std::uint16_t ident : {0xA697, 0xA699}) {
    wordfilt::MemoryStreams streams = BuildWord6(japanese, western, 0, 0x0411, ident);
    ASSERT_EQ(wordfilt::ExtractText(streams, out), wordfilt::LoadStatus::kOk) << ident;
    EXPECT_EQ(out.text, u"\u65E5\u672C\u8A9E abc\n") << ident;
  }
  wordfilt::MemoryStreams streams = BuildWord6(japanese, western, 0, 0x0411);
  ASSERT_EQ(wordfilt::ExtractText(streams, out), wordfilt::LoadStatus::kOk);
  EXPECT_EQ(out.text.substr(0, 2), u"\u201C\u00FA");
  // A Chinese document ("中文") and a font naming its own page still wins.
  streams = BuildWord6("\xD6\xD0\xCE\xC4\r", western, 0, 0x0804, 0xA697);
  ASSERT_EQ(wordfilt::ExtractText(streams, out), wordfilt::LoadStatus::kOk);
  EXPECT_EQ(out.text, u"\u4E2D\u6587\n");
  streams = BuildWord6("\xCF\xF0\r", {{"Times New Roman Cyr", 204}}, 0, 0x0411, 0xA697);
  ASSERT_EQ(wordfilt::ExtractText(streams, out), wordfilt::LoadStatus::kOk);
  EXPECT_EQ(out.text, u"\u041F\u0440\n");
}

using namespace std::string_literals;  // number texts hold NUL characters

Bytes InList(std::uint16_t ilfo, std::uint8_t level) {
  return Cat({Sprm(0x460B, ilfo, 2), Sprm(0x260A, level, 1)});
}

TEST(Lists, NumbersAreCountedPerLevel) {
  DocBuilder b;
  b.List({{1, 0, u"\x00."s, 0}, {1, 4, u"\x01)"s, 1}, {1, 0, u"\x00.\x01."s, 2}})
      .Piece(u"One\rTwo\rSub\rSub\rThree\rSub\rPlain\r", true)
      .Paragraph(3, InList(1, 0))
      .Paragraph(7, InList(1, 0))
      .Paragraph(11, InList(1, 1))
      .Paragraph(15, InList(1, 1))
      .Paragraph(21, InList(1, 0))
      .Paragraph(25, InList(1, 1));
  EXPECT_EQ(TextOf(b), u"1.\tOne\n2.\tTwo\na) Sub\nb) Sub\n3.\tThree\na) Sub\nPlain\n");
}

TEST(Lists, FormatsMultiLevelTextAndRestarts) {
  DocBuilder b;
  b.List({{4, 1, u"\x00"s, 1}, {1, 0, u"\x00.\x01"s, 1}})
      .List({{1, 23, u"\u2022", 0}})
      .ListRestart(1, 0, 10)
      .Piece(u"a\rb\rc\rd\re\r", true)
      .Paragraph(1, InList(1, 0))
      .Paragraph(3, InList(1, 1))
      .Paragraph(5, InList(2, 0))
      .Paragraph(7, InList(3, 0))
      .Paragraph(9, InList(3, 1));
  EXPECT_EQ(TextOf(b), u"IV a\nIV.1 b\n\u2022\tc\nX d\nX.1 e\n");
}

TEST(Fields, EqFieldsShowTheirBaseText) {
  EXPECT_EQ(
      TextOf(DocBuilder().Piece(u"\x13"
                                u"EQ \\* jc2 \\o\\ad(\\s\\up 10(\u3068\u3046),\u6771\u4EAC)\x15\r",
                                false)),
      u"\u6771\u4EAC\n");
  // Other fields without a result still show nothing.
  EXPECT_EQ(TextOf(DocBuilder().Piece(u"\x13XE \\o(a,b)\x15\r", true)), u"\n");
}

}  // namespace
}  // namespace wordtest
