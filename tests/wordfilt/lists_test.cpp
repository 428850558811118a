// List numbers as Word counts and shows them: skipped levels, restart
// settings, list overrides, legal numbering, bullets and one count per story.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "tests/wordfilt/test_support.h"
#include "wordfilt/doc/compound_streams.h"

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

  // A picture bullet shows its stand-in character from the Symbol font.
  const Bytes picture = Cat({Sprm(0x6887, 0, 4), Sprm(0x4888, 1, 2)});  // picture 0, a bullet
  DocBuilder p;
  p.Fonts({u"Times New Roman", u"Symbol"})
      .List({{1, 23, u"\xF0B7"s, 0}})
      .ListLevelFlags(1, 0, 0, 0, 1, picture);
  Paragraphs(p, {{1, 0}});
  EXPECT_EQ(TextOf(p), u"\u2022\tx\n");
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

std::string Slurp(const std::string& name) {
  std::ifstream in(std::string(DOCFLT_SOURCE_DIR) + "/tests/data/lists/" + name, std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// UTF-8 of text without surrogate pairs.
std::string Utf8(const std::u16string& s) {
  std::string out;
  for (const char16_t c : s) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
              static_cast<char>(0x80 | (c & 0x3F))};
    }
  }
  return out;
}

// Whether `text` holds paragraph `p`: after a line end, before a line end or
// the tab that closes a table cell.
bool HasParagraph(const std::string& text, const std::string& p) {
  for (std::size_t at = text.find("\n" + p); at != std::string::npos;
       at = text.find("\n" + p, at + 1)) {
    const char after = at + 1 + p.size() < text.size() ? text[at + 1 + p.size()] : '\0';
    if (after == '\n' || after == '\t') return true;
  }
  return false;
}

// A document another word processor wrote: every number its own text export
// shows (indented "LABEL text" lines; the document puts nothing between label
// and text) must be ours, and the stories that export leaves out count anew.
TEST(ListNumbers, WordProcessorsDocumentShowsTheSameNumbers) {
  const std::string doc = Slurp("lists.doc");
  wordfilt::DocumentText out;
  ASSERT_EQ(wordfilt::ExtractFromBytes(reinterpret_cast<const std::uint8_t*>(doc.data()),
                                       doc.size(), out),
            wordfilt::LoadStatus::kOk);
  const std::string ours = Utf8(out.text);
  std::istringstream theirs(Slurp("lists.export.txt"));
  int numbered = 0;
  for (std::string line; std::getline(theirs, line);) {
    const std::size_t text = line.find_first_not_of(' ');
    if (text == std::string::npos || text == 0) continue;
    const std::size_t space = line.find(' ', text);
    const std::string label = line.substr(text, space - text);
    // Its bullets are its own choice per level, not the document's.
    if (label == "\u2022" || label == "\u25E6" || label == "\u25AA") continue;
    ++numbered;
    EXPECT_TRUE(HasParagraph(ours, label + line.substr(space + 1))) << line;
  }
  EXPECT_EQ(numbered, 21);
  EXPECT_TRUE(HasParagraph(ours, "\u25AAWingdings bullet"));
  EXPECT_NE(
      ours.find("\n(I)1\tNote item\n(II)Note item two\n(I)Header item\n(II)Header item two\n"),
      std::string::npos);
}

}  // namespace
}  // namespace wordtest
