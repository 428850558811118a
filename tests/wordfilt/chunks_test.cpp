// Chunks: paragraphs, stories and languages.
#include <gtest/gtest.h>

#include "tests/wordfilt/test_support.h"

namespace wordtest {
namespace {

using wordfilt::DocumentText;
using wordfilt::kBreakChapter;
using wordfilt::kBreakNone;
using wordfilt::kBreakParagraph;

Bytes Lids(std::uint16_t western, std::uint16_t eastAsian = 0, std::uint16_t complex = 0) {
  Bytes b = Sprm(0x4873, western, 2);
  if (eastAsian) b = Cat({b, Sprm(0x4874, eastAsian, 2)});
  if (complex) b = Cat({b, Sprm(0x485F, complex, 2)});
  return b;
}

std::vector<std::uint32_t> Locales(const DocumentText& t) {
  std::vector<std::uint32_t> v;
  for (const auto& c : t.chunks) v.push_back(c.locale);
  return v;
}

std::vector<int> Breaks(const DocumentText& t) {
  std::vector<int> v;
  for (const auto& c : t.chunks) v.push_back(c.breakType);
  return v;
}

TEST(Chunks, ParagraphsShareChunksUpToTheSizeLimit) {
  DocBuilder b;
  b.Lid(0x0407).Piece(u"Erster Absatz.\rZweiter Absatz.\rDritter.\r", true);
  const DocumentText merged = ExtractDoc(b);
  ASSERT_TRUE(ChunksTileText(merged));
  EXPECT_EQ(Locales(merged), std::vector<std::uint32_t>({0x0407}));

  wordfilt::ExtractOptions perParagraph;
  perParagraph.chunkChars = 0;
  const DocumentText split = ExtractDoc(b, nullptr, perParagraph);
  ASSERT_TRUE(ChunksTileText(split));
  ASSERT_EQ(split.chunks.size(), 3u);
  EXPECT_EQ(split.ChunkText(1), u"Zweiter Absatz.\n");
  EXPECT_EQ(Breaks(split), std::vector<int>({kBreakNone, kBreakParagraph, kBreakParagraph}));
}

TEST(Chunks, SplitWhereTheLanguageChanges) {
  DocBuilder b;
  b.Piece(u"Hello world.\r", true, Lids(0x0409))
      .Piece(u"\u041F\u0440\u0438\u0432\u0435\u0442.\r", false, Lids(0x0419))
      .Piece(u"Bonjour ", true, Lids(0x040C))
      .Piece(u"Welt\r", true, Lids(0x0407));
  const DocumentText t = ExtractDoc(b);
  ASSERT_TRUE(ChunksTileText(t));
  ASSERT_EQ(Locales(t), std::vector<std::uint32_t>({0x0409, 0x0419, 0x040C, 0x0407}));
  EXPECT_EQ(Breaks(t),
            std::vector<int>({kBreakNone, kBreakParagraph, kBreakParagraph, kBreakNone}));
  // The space between two languages stays with the first one.
  EXPECT_EQ(t.ChunkText(2), u"Bonjour ");
}

TEST(Chunks, EachScriptTakesItsOwnLanguageSlot) {
  DocBuilder b;
  b.Piece(u"abc \u65E5\u672C\u8A9E \u05E9\u05DC\u05D5\u05DD 12.\r", false,
          Lids(0x0409, 0x0411, 0x040D));
  const DocumentText t = ExtractDoc(b);
  ASSERT_TRUE(ChunksTileText(t));
  ASSERT_EQ(Locales(t), std::vector<std::uint32_t>({0x0409, 0x0411, 0x040D}));
  // Digits and punctuation take the language before them.
  EXPECT_EQ(t.ChunkText(2), u"\u05E9\u05DC\u05D5\u05DD 12.\n");
}

TEST(Chunks, TextInAScriptItsLanguageCannotHoldGetsOneThatCan) {
  DocBuilder b;
  b.Piece(u"Greek \u03B1\u03B2\u03B3 and \u0436\u0443\u043A\r", false, Lids(0x0409));
  EXPECT_EQ(Locales(ExtractDoc(b)), std::vector<std::uint32_t>({0x0409, 0x0408, 0x0409, 0x0419}));
  // Unmarked text takes the document's language.
  EXPECT_EQ(Locales(ExtractDoc(DocBuilder().Lid(0x0413).Piece(u"Dag\r", true))),
            std::vector<std::uint32_t>({0x0413}));
}

TEST(Chunks, LongRunsOfOneScriptStillSplitAtAnotherScript) {
  // Runs long enough to be taken in blocks: the split must fall exactly where
  // a letter of another language appears, wherever it sits in a block.
  const std::u16string han(21, u'\u6F22');
  DocBuilder b;
  b.Piece(han + u" abc " + han + u"\r", false, Lids(0x0409, 0x0411));
  const DocumentText t = ExtractDoc(b);
  ASSERT_TRUE(ChunksTileText(t));
  ASSERT_EQ(Locales(t), std::vector<std::uint32_t>({0x0411, 0x0409, 0x0411}));
  EXPECT_EQ(t.ChunkText(0), han + u" ");
  EXPECT_EQ(t.ChunkText(1), u"abc ");

  for (std::size_t at : {1u, 7u, 8u, 9u, 16u, 23u}) {
    SCOPED_TRACE(at);
    std::u16string ru(30, u'\u0436');
    ru[(at + 5) % ru.size()] = u' ';
    ru.insert(at, 1, u'\u03B1');  // a Greek letter the Russian language cannot hold
    const DocumentText g = ExtractDoc(DocBuilder().Piece(ru + u"\r", false, Lids(0x0419)));
    ASSERT_TRUE(ChunksTileText(g));
    ASSERT_EQ(Locales(g), std::vector<std::uint32_t>({0x0419, 0x0408, 0x0419}));
    EXPECT_EQ(g.ChunkText(0).size(), at);
  }
}

TEST(Chunks, LanguageComesFromTheParagraphStyleChain) {
  DocBuilder b;
  b.Style(0, 0xFFF, Lids(0x040C))
      .Style(1, 0, {})
      .Style(2, 1, Lids(0x0410))
      .Piece(u"Style normal.\rStyle derived.\rStyle own.\r", true)
      .Paragraph(13, {}, 0)
      .Paragraph(28, {}, 1)
      .Paragraph(39, {}, 2);
  const DocumentText t = ExtractDoc(b);
  ASSERT_TRUE(ChunksTileText(t));
  ASSERT_EQ(Locales(t), std::vector<std::uint32_t>({0x040C, 0x0410}));
  EXPECT_EQ(t.ChunkText(1), u"Style own.\n");
}

// Main text, two footnotes, then the header story: six separators and one
// section's six headers and footers.
DocBuilder WithStories() {
  const std::u16string main = u"Body.\r";
  const std::u16string notes = u"\x02 One.\r\x02 Two.\r";
  const std::u16string seps = u"\x03\r\x04\r";
  const std::u16string headers = u"Even head\rOdd head\rOdd foot\rFirst head\r";
  DocBuilder b;
  b.Piece(main + notes + seps + headers + u"\r", true)
      .Stories(6, 14, static_cast<std::uint32_t>(seps.size() + headers.size()))
      .FootnoteBounds({0, 7, 14})
      .HeaderBounds({0, 2, 4, 4, 4, 4, 4, 14, 23, 23, 32, 43, 43, 44});
  return b;
}

TEST(Stories, NotesAndShownHeadersFollowTheMainText) {
  DocBuilder b = WithStories();
  const DocumentText t = ExtractDoc(b);
  EXPECT_EQ(t.text, u"Body.\n One.\n Two.\nOdd head\nOdd foot\n");
  ASSERT_TRUE(ChunksTileText(t));
  EXPECT_EQ(Breaks(t), std::vector<int>({kBreakNone, kBreakChapter, kBreakChapter, kBreakChapter,
                                         kBreakChapter}));
  EXPECT_EQ(ExtractDoc(b.TitlePage(true).FacingPages(true)).text,
            u"Body.\n One.\n Two.\nEven head\nOdd head\nOdd foot\nFirst head\n");

  wordfilt::ExtractOptions mainOnly;
  mainOnly.mainTextOnly = true;
  EXPECT_EQ(ExtractDoc(b, nullptr, mainOnly).text, u"Body.\n");
}

TEST(Stories, OnePageDocumentShowsOneHeaderAndFooter) {
  // Word recorded one page: no even page, and with a title page no odd one.
  Bytes dop(84, 0);
  dop[0] = 1;  // facing pages
  dop[46] = 1;
  DocBuilder b = WithStories();
  b.TableData(31, dop);
  EXPECT_EQ(TextOf(b), u"Body.\n One.\n Two.\nOdd head\nOdd foot\n");
  EXPECT_EQ(TextOf(b.TitlePage(true)), u"Body.\n One.\n Two.\nFirst head\n");
  dop[46] = 2;
  EXPECT_EQ(TextOf(b.TableData(31, dop)),
            u"Body.\n One.\n Two.\nEven head\nOdd head\nOdd foot\nFirst head\n");
}

TEST(Stories, OnePageCountIsNotBelievedForLongText) {
  // 12,000 characters of main text are not one page: every header stays.
  const std::u16string main = std::u16string(11999, u'x') + u"\r";
  const std::u16string seps = u"\x03\r\x04\r";
  const std::u16string headers = u"Even head\rOdd head\r";
  Bytes dop(84, 0);
  dop[0] = 1;
  dop[46] = 1;
  DocBuilder b;
  b.Piece(main + seps + headers + u"\r", true)
      .Stories(12000, 0, static_cast<std::uint32_t>(seps.size() + headers.size()))
      .HeaderBounds({0, 2, 4, 4, 4, 4, 4, 14, 23, 23, 23, 23, 23, 24})
      .TableData(31, dop);
  const std::u16string text = TextOf(b);
  EXPECT_EQ(text.substr(12000), u"Even head\nOdd head\n");
}

TEST(Stories, RepeatedAndEmptyHeadersAppearOnce) {
  // Two sections: the second repeats the first's odd header, leaves its footer
  // to the first (empty) and has a blank first-page header.
  const std::u16string headers = u"Same\rFoot\rSame\r \r";
  DocBuilder b;
  b.Piece(u"Text.\r" + headers + u"\r", true)
      .Stories(6, 0, static_cast<std::uint32_t>(headers.size()))
      .Sections(2)
      .TitlePage(true)
      .HeaderBounds({0, 0, 0, 0, 0, 0, 0, 0, 5, 5, 10, 10, 10, 10, 15, 15, 15, 17, 17, 18});
  EXPECT_EQ(TextOf(b), u"Text.\nSame\nFoot\n");
}

}  // namespace
}  // namespace wordtest
