#include <gtest/gtest.h>

#include <string>

#include "tests/rtf/rtf_test_support.h"

namespace {

using rtftest::Read;
using rtftest::Text;

const std::string kHead =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
    "{\\f1\\fnil\\fcharset204 Arial Cyr;}{\\f2\\fnil\\fcharset128 MS Mincho;}"
    "{\\f3\\ftech\\fcharset2 Symbol;}{\\f4\\fnil\\fcharset2 Wingdings;}}"
    "{\\colortbl;\\red255\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}}";

std::string Doc(const std::string& body) { return kHead + body + "}"; }

TEST(RtfReader, ParagraphsBreaksAndSpecialCharacters) {
  EXPECT_EQ(Text(Doc("First\\par Second\\line third\\tab x\\page y\\sect z")),
            "First\nSecond\nthird\tx\ny\nz\n");
  EXPECT_EQ(Text(Doc("a\\emdash b\\endash c\\bullet\\lquote q\\rquote\\ldblquote d\\rdblquote")),
            "a\u2014b\u2013c\u2022\u2018q\u2019\u201Cd\u201D\n");
  // Non-breaking space, optional hyphen (kept as U+00AD), non-breaking hyphen.
  EXPECT_EQ(Text(Doc("a\\~b co\\-op well\\_known")), "a\u00A0b co\u00ADop well-known\n");
  // Escaped braces and backslash are text; a backslash before a line end is a paragraph.
  EXPECT_EQ(Text(Doc("\\{x\\}\\\\\\\ny")), "{x}\\\ny\n");
}

TEST(RtfReader, DestinationsWithoutTextAreSkipped) {
  const std::string rtf =
      Doc("{\\info{\\title T}{\\operator op}{\\*\\company co}}"
          "{\\*\\generator gen;}{\\*\\themedata 0102}{\\*\\unknownthing hidden}"
          "{\\*\\bkmkstart mark}Visible{\\*\\bkmkend mark}"
          "{\\pict\\pngblip 89504e47}{\\*\\shppict{\\pict 00}}{\\nonshppict{\\pict 11}}"
          "{\\object{\\*\\objclass Word}{\\*\\objdata 0011}{\\result shown}}"
          "{\\*\\datastore 01}{\\*\\latentstyles{\\lsdlockedexcept Normal;}}");
  EXPECT_EQ(Text(rtf), "Visibleshown\n");
}

TEST(RtfReader, BinaryDataNeverReadsAsText) {
  // Braces and backslashes inside \bin data must not open, close or escape.
  std::string rtf = Doc("{\\pict\\bin6 }}{\\{\\}after\\par}");
  EXPECT_EQ(Text(rtf), "after\n");
  // Outside a picture too.
  EXPECT_EQ(Text(Doc("a\\bin3 xyzb")), "ab\n");
}

TEST(RtfReader, UnbalancedGroupsKeepTheText) {
  // Extra closing braces are ignored; missing ones are closed at the end.
  EXPECT_EQ(Text(Doc("one}}} two\\par")), "one two\n");
  EXPECT_EQ(Text(kHead + "{\\b open {\\i deeper"), "open deeper\n");
  // A footnote left open still ends and follows the main text.
  EXPECT_EQ(Text(kHead + "main{\\footnote note"), "main\nnote\n");
}

TEST(RtfReader, DeepNestingIsBoundedAndReadsOn) {
  std::string deep = kHead + "before ";
  for (int i = 0; i < 200000; ++i) deep += "{\\b ";
  deep += "lost";
  for (int i = 0; i < 200000; ++i) deep += "}";
  deep += " after}";
  const wordfilt::DocumentText out = Read(deep);
  EXPECT_EQ(rtftest::Utf8(out.text), "before  after\n");
  // Moderate nesting keeps its text.
  std::string fine = kHead;
  for (int i = 0; i < 100; ++i) fine += "{";
  fine += "kept";
  for (int i = 0; i < 100; ++i) fine += "}";
  EXPECT_EQ(Text(fine + "}"), "kept\n");
}

TEST(RtfReader, UnicodeWithFallbackSkipping) {
  // Negative values stand for units from 0x8000; one fallback byte by default.
  // U+F000 + a byte is that byte in the font's code page.
  EXPECT_EQ(Text(Doc("\\u-3913?\\u1076?x\\u61589?")), "\u00B7\u0434x\u2022\n");
  // \uc2: two fallback units, a \'hh counting as one.
  EXPECT_EQ(Text(Doc("\\uc2\\u26085\\'93\\'fa!")), "\u65E5!\n");
  // \uc inside a group ends with it.
  EXPECT_EQ(Text(Doc("{\\uc3\\u1044abcd}\\u1044ef")), "\u0414d\u0414f\n");
  // \uc0: nothing to skip.
  EXPECT_EQ(Text(Doc("\\uc0\\u1044 x")), "\u0414x\n");
  // A surrogate pair.
  EXPECT_EQ(Text(Doc("\\u-10179?\\u-8704?")), "\U0001F600\n");
  // Fallback ends at a group boundary.
  EXPECT_EQ(Text(Doc("\\uc4\\u1044{x}")), "\u0414x\n");
  // \upr: the Unicode alternative, not the ANSI one.
  EXPECT_EQ(Text(Doc("{\\upr{ansi text}{\\*\\ud{uni\\u1044?}}}")), "uni\u0414\n");
}

TEST(RtfReader, FieldsShowTheirResultOnly) {
  EXPECT_EQ(Text(Doc("See {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt the site}} "
                     "or {\\field{\\fldinst PAGE}{\\fldrslt {\\b 7}}} {\\field{\\*\\fldinst "
                     "{ TOC }}}.")),
            "See the site or 7 .\n");
  // A field inside a result.
  EXPECT_EQ(Text(Doc("{\\field{\\*\\fldinst A}{\\fldrslt x{\\field{\\*\\fldinst B}{\\fldrslt "
                     "y}}z}}")),
            "xyz\n");
}

TEST(RtfReader, TablesAsTheWordReaderRendersThem) {
  const std::string table =
      "\\trowd\\cellx1000\\cellx2000\\intbl A\\cell B\\cell\\row"
      "\\trowd\\cellx1000\\cellx2000\\intbl\\cell two\\par lines\\cell\\row after";
  EXPECT_EQ(Text(Doc(table)), "A\tB\n\ttwo\nlines\nafter\n");
  // A nested table inside a cell.
  const std::string nested =
      "\\intbl outer\\par\\itap2 n1\\nestcell n2\\nestcell{\\*\\nesttableprops\\trowd\\nestrow}"
      "{\\nonesttables\\par}\\itap1 \\cell last\\cell\\row";
  EXPECT_EQ(Text(Doc(nested)), "outer\nn1\tn2\n\tlast\n");
}

TEST(RtfReader, HiddenAndDeletedTextIsLeftOut) {
  EXPECT_EQ(Text(Doc("shown {\\v secret} {\\deleted gone}kept\\v  hid\\v0  back")),
            "shown  kept back\n");
  // \plain ends hidden text; so does the end of the group that hid it.
  EXPECT_EQ(Text(Doc("\\v x\\plain y{\\deleted z\\deleted0 w}")), "yw\n");
}

TEST(RtfReader, CodePagesOfFontsAndDocument) {
  // The font's character set picks the page.
  EXPECT_EQ(Text(Doc("\\f1 \\'cf\\'f0\\'e8\\f0  \\'e9")), "\u041F\u0440\u0438 \u00E9\n");
  // A double-byte page, a character split over a hex byte and a literal one.
  EXPECT_EQ(Text(Doc("\\f2 \\'82\\'a0\\'83N\\'93\\'fa")), "\u3042\u30AF\u65E5\n");
  // The Symbol font's letters; other symbol fonts draw pictures: nothing.
  EXPECT_EQ(Text(Doc("\\f3 abg\\'b7\\f4 \\'6c\\f0 .")), "\u03B1\u03B2\u03B3\u2022.\n");
  // \ansicpg for fonts of the default set and for text in no known font.
  EXPECT_EQ(Text("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset1 X;}}\\f0 \\'e4\\f9 \\'e4}"),
            "\u0434\u0434\n");
  // \cpg beats the character set.
  EXPECT_EQ(Text("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0\\cpg1253 G;}}\\f0 \\'e1}"), "\u03B1\n");
}

TEST(RtfReader, StoriesFollowTheMainTextInTheirOrder) {
  const std::string rtf =
      Doc("{\\header Head\\par}{\\footer Foot\\par}{\\headerf Head\\par}"
          "Main{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} Note one}"
          " text{\\super\\chftn}{\\footnote\\ftnalt{\\super\\chftn} End note}"
          "{\\*\\annotation{\\*\\atnauthor me}Remark}{\\footnote\\pard custom}"
          "{\\footnote   }.\\par");
  const wordfilt::DocumentText out = Read(rtf);
  // Footnotes, headers (each distinct one once), comments, endnotes; notes
  // numbered 1, 2... and i, ii... where they are referred to and where they start.
  EXPECT_EQ(rtftest::Utf8(out.text),
            "Main1 texti.\n1 Note one\ncustom\nHead\nFoot\nRemark\ni End note\n");
  ASSERT_EQ(out.chunks.size(), 7u);
  EXPECT_EQ(out.chunks[0].breakType, wordfilt::kBreakNone);
  for (std::size_t i = 1; i < out.chunks.size(); ++i) {
    EXPECT_EQ(out.chunks[i].breakType, wordfilt::kBreakChapter);
  }
  EXPECT_TRUE(rtftest::ChunksTileText(out));
  wordfilt::ExtractOptions mainOnly;
  mainOnly.mainTextOnly = true;
  EXPECT_EQ(Text(rtf, mainOnly), "Main1 texti.\n");
  // Numbers start where the document says.
  EXPECT_EQ(Text(Doc("\\ftnstart5\\aftnnar\\aftnstart3 a\\chftn{\\footnote x}b\\chftn{\\footnote"
                     "\\ftnalt y}c\\chftn d")),
            "a5b3cd\nx\ny\n");
}

TEST(RtfReader, TextBoxesOnceFromTheShapeText) {
  const std::string rtf =
      Doc("Body{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 202}}{\\shptxt Boxed\\par}}"
          "{\\shprslt{\\*\\do\\dobxcolumn{\\dptxbx{\\dptxbxtext Boxed}}}}}\\par");
  EXPECT_EQ(Text(rtf), "Body\nBoxed\n");
}

TEST(RtfReader, InfoGivesTheProperties) {
  const wordfilt::DocumentText out = Read(
      Doc("{\\info{\\title  Annual \\u1044?report }{\\subject Sub}{\\author Ann}{\\keywords k1, "
          "k2}{\\doccomm not a property}{\\creatim\\yr2020}}Body"));
  ASSERT_EQ(out.properties.size(), 4u);
  EXPECT_EQ(rtftest::Utf8(out.properties[0].value), "Annual \u0414report");
  EXPECT_EQ(out.properties[0].id, 2u);
  EXPECT_EQ(out.properties[1].id, 3u);
  EXPECT_EQ(rtftest::Utf8(out.properties[2].value), "Ann");
  EXPECT_EQ(out.properties[2].id, 4u);
  EXPECT_EQ(rtftest::Utf8(out.properties[3].value), "k1, k2");
  EXPECT_EQ(rtftest::Utf8(out.text), "Body\n");
  wordfilt::ExtractOptions none;
  none.properties = false;
  EXPECT_TRUE(Read(Doc("{\\info{\\title T}}x"), none).properties.empty());
}

TEST(RtfReader, LanguagesGiveTheChunkLocales) {
  const wordfilt::DocumentText out = Read(
      "{\\rtf1\\ansi\\deflang1033\\deflangfe1041 English {\\lang1031 Deutsch} 12 "
      "{\\lang1049 \\u1044?\\u945?} \\u26085?\\par}");
  EXPECT_TRUE(rtftest::ChunksTileText(out));
  ASSERT_EQ(out.chunks.size(), 5u);
  EXPECT_EQ(out.chunks[0].locale, 0x0409u);
  EXPECT_EQ(out.chunks[1].locale, 0x0407u);
  // Digits and spaces stay with the text before them.
  EXPECT_EQ(rtftest::Utf8(std::u16string(out.ChunkText(1))), "Deutsch 12 ");
  EXPECT_EQ(out.chunks[2].locale, 0x0419u);
  // Greek letters labelled Russian: a language that can hold them.
  EXPECT_EQ(out.chunks[3].locale, 0x0408u);
  // Han text takes the East-Asian language.
  EXPECT_EQ(out.chunks[4].locale, 0x0411u);
  // \langnp and no-proofing 1024 fall back to the document's language.
  const wordfilt::DocumentText np =
      Read("{\\rtf1\\deflang1036 {\\lang1024 mot} {\\langnp1031 Wort}}");
  ASSERT_EQ(np.chunks.size(), 2u);
  EXPECT_EQ(np.chunks[0].locale, 0x040Cu);
  EXPECT_EQ(np.chunks[1].locale, 0x0407u);
}

TEST(RtfReader, ChunksSplitAtParagraphsPastTheirSize) {
  std::string body;
  for (int i = 0; i < 50; ++i) body += "Paragraph text here\\par ";
  wordfilt::ExtractOptions small;
  small.chunkChars = 100;
  const wordfilt::DocumentText out = Read(Doc(body), small);
  EXPECT_TRUE(rtftest::ChunksTileText(out));
  EXPECT_GT(out.chunks.size(), 8u);
  for (std::size_t i = 1; i < out.chunks.size(); ++i) {
    EXPECT_EQ(out.chunks[i].breakType, wordfilt::kBreakParagraph);
    EXPECT_EQ(out.text[out.chunks[i].offset - 1], u'\n');
  }
}

}  // namespace
