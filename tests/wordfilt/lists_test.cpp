// List numbers as Word counts and shows them: skipped levels, restart
// settings, list overrides, legal numbering, bullets and one count per story.
#include <gtest/gtest.h>

#include <string>

#include "tests/wordfilt/test_support.h"

namespace wordtest {
namespace {

using namespace std::string_literals;  // number texts hold NUL characters

Bytes InList(std::uint16_t ilfo, std::uint8_t level) {
  return Cat({Sprm(0x460B, ilfo, 2), Sprm(0x260A, level, 1)});
}

// "1." / "1.1." / "1.1.1." followed by a space.
std::vector<ListLevelDef> Outline() {
  return {{1, 0, u"\x00."s, 1}, {1, 0, u"\x00.\x01."s, 1}, {1, 0, u"\x00.\x01.\x02."s, 1}};
}

// One paragraph "x" per entry of `paras` (override, level), all in one piece.
DocBuilder& Paragraphs(DocBuilder& b, const std::vector<std::pair<int, int>>& paras) {
  std::u16string text;
  for (std::size_t i = 0; i < paras.size(); ++i) text += u"x\r";
  b.Piece(text, true);
  for (std::size_t i = 0; i < paras.size(); ++i) {
    b.Paragraph(static_cast<std::uint32_t>(2 * i + 1),
                InList(static_cast<std::uint16_t>(paras[i].first),
                       static_cast<std::uint8_t>(paras[i].second)));
  }
  return b;
}

TEST(ListNumbers, SkippedLevelsShowTheirStartAndCountAsShown) {
  DocBuilder b;
  b.List(Outline());
  // 1 / 1.1.1 / then level 2 goes on from the 1 it showed / 2 / 2.1.1 / 2.2
  Paragraphs(b, {{1, 0}, {1, 2}, {1, 1}, {1, 0}, {1, 2}, {1, 1}});
  EXPECT_EQ(TextOf(b), u"1. x\n1.1.1. x\n1.2. x\n2. x\n2.1.1. x\n2.2. x\n");
}

TEST(ListNumbers, LevelsRestartOnlyAfterTheLevelsTheirSettingNames) {
  DocBuilder b;
  b.List(Outline())
      .ListLevelFlags(1, 2, 0x08, 1)   // level 3 restarts after level 1 only
      .ListLevelFlags(1, 1, 0x08, 0);  // level 2 never restarts
  Paragraphs(b, {{1, 0}, {1, 1}, {1, 2}, {1, 2}, {1, 1}, {1, 2}, {1, 0}, {1, 1}, {1, 2}});
  EXPECT_EQ(TextOf(b),
            u"1. x\n1.1. x\n1.1.1. x\n1.1.2. x\n1.2. x\n1.2.3. x\n2. x\n2.3. x\n2.3.1. x\n");
}

TEST(ListNumbers, OverridesRestartWhereFirstUsedAndShareTheListsCount) {
  DocBuilder b;
  b.List(Outline())
      .ListRestart(1, 0, 5)                                           // override 2
      .ListOverride(1, {{1, true, 10, false, {}}})                    // override 3: level 2 from 10
      .ListOverride(1, {{0, false, 0, true, {7, 4, u"\x00)"s, 1}}});  // override 4: letters
  Paragraphs(b, {{1, 0}, {1, 0}, {2, 0}, {2, 0}, {1, 0}, {3, 1}, {3, 1}, {3, 0}, {3, 1}, {4, 0}});
  EXPECT_EQ(TextOf(b), u"1. x\n2. x\n5. x\n6. x\n7. x\n7.10. x\n7.11. x\n8. x\n8.10. x\ni) x\n");
}

TEST(ListNumbers, ReplacedLevelBringsItsOwnStart) {
  // With both flags the override's start-at field is undefined: the start is
  // the replacing level's.
  DocBuilder b;
  b.List(Outline()).ListOverride(1, {{0, true, 99, true, {3, 3, u"\x00."s, 1}}});
  Paragraphs(b, {{2, 0}, {2, 0}, {2, 1}});
  EXPECT_EQ(TextOf(b), u"C. x\nD. x\nD.1. x\n");
}

TEST(ListNumbers, LegalLevelsShowEveryNumberInDigits) {
  DocBuilder b;
  b.List({{1, 1, u"\x00"s, 1}, {1, 4, u"\x00.\x01"s, 1}, {1, 2, u"\x00.\x01.\x02"s, 1}})
      .ListLevelFlags(1, 2, 0x04);
  Paragraphs(b, {{1, 0}, {1, 1}, {1, 1}, {1, 2}});
  EXPECT_EQ(TextOf(b), u"I x\nI.a x\nI.b x\n1.2.1 x\n");
}

TEST(ListNumbers, BulletsShowTheirSymbolOrNothing) {
  DocBuilder b;
  b.Fonts({u"Times New Roman", u"Symbol", u"Wingdings", u"Webdings"})
      .List({{1, 23, u"\xF0B7"s, 0},
             {1, 23, u"\xA7"s, 0},
             {1, 23, u"\xF0FC"s, 0},
             {1, 23, u"\x6A"s, 0},
             {1, 23, u"\xF0B7"s, 0},
             {1, 23, u"o"s, 0}})
      .ListLevelFlags(1, 0, 0, 0, 1)
      .ListLevelFlags(1, 1, 0, 0, 2)
      .ListLevelFlags(1, 2, 0, 0, 2)
      .ListLevelFlags(1, 3, 0, 0, 3)  // a picture from another symbol font
      .ListLevelFlags(1, 5, 0, 0, 0);
  // Level 4 names no font: its private-use character shows nothing.
  Paragraphs(b, {{1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}});
  EXPECT_EQ(TextOf(b), u"\u2022\tx\n\u25AA\tx\n\u2714\tx\nx\nx\no\tx\n");
}

TEST(ListNumbers, NotesAndEachHeaderCountTheirOwn) {
  const std::u16string notes = u"\x02 One.\r\x02 Two.\r";
  const std::u16string seps = u"\x03\r\x04\r";
  const std::u16string headers = u"Even head\rOdd head\rOdd foot\rFirst head\r";
  DocBuilder b;
  b.List({{1, 0, u"\x00."s, 1}})
      .Piece(u"A\rB\r" + notes + seps + headers + u"\r", true)
      .Stories(4, 14, static_cast<std::uint32_t>(seps.size() + headers.size()))
      .FootnoteBounds({0, 7, 14})
      .HeaderBounds({0, 2, 4, 4, 4, 4, 4, 14, 23, 23, 32, 43, 43, 44});
  for (std::uint32_t cp : {1u, 3u, 10u, 17u, 40u, 49u}) b.Paragraph(cp, InList(1, 0));
  EXPECT_EQ(TextOf(b), u"1. A\n2. B\n1.  One.\n2.  Two.\n1. Odd head\n1. Odd foot\n");
}

TEST(ListNumbers, TableCellsCountWithTheText) {
  DocBuilder b;
  b.List({{1, 0, u"\x00."s, 1}})
      .Piece(
          u"a\x07"
          u"b\x07\x07"
          u"c\r",
          true)
      .Paragraph(1, InList(1, 0))
      .Paragraph(3, InList(1, 0))
      .Paragraph(4, Sprm(0x2417, 1, 1))
      .Paragraph(6, InList(1, 0));
  EXPECT_EQ(TextOf(b), u"1. a\t2. b\n3. c\n");
}

}  // namespace
}  // namespace wordtest
