// Numbers of automatically numbered footnotes and endnotes.
#include "wordfilt/doc/notes.h"

#include <gtest/gtest.h>

#include "tests/wordfilt/test_support.h"

namespace wordtest {
namespace {

constexpr int kFootnoteRefs = 2;
constexpr int kEndnoteRefs = 46;
constexpr int kEndnoteTexts = 47;
constexpr int kDop = 31;

// Positions, then one 16-bit "numbered automatically" flag per reference.
Bytes RefPlc(std::vector<std::uint32_t> cps, std::vector<std::uint16_t> autoFlags) {
  Bytes b;
  for (std::uint32_t cp : cps) Put32(b, cp);
  for (std::uint16_t f : autoFlags) Put16(b, f);
  return b;
}

Bytes Plc(std::vector<std::uint32_t> cps) {
  Bytes b;
  for (std::uint32_t cp : cps) Put32(b, cp);
  return b;
}

// Main text with two numbered footnotes around a custom mark "*" and one
// numbered endnote; the notes open with their placeholders (or the mark).
DocBuilder WithNotes() {
  const std::u16string main = u"A\x02 B* C\x02 D\x02.\r";  // references at 1, 4, 7, 10
  const std::u16string footnotes = u"\x02 one\r* two\r\x02 three\r";
  const std::u16string endnotes = u"\x02 end\r";
  DocBuilder b;
  b.Piece(main + footnotes + endnotes + u"\r", true)
      .Stories(13, 20, 0, 0, 6)
      .FootnoteBounds({0, 6, 12, 20})
      .TableData(kFootnoteRefs, RefPlc({1, 4, 7, 13}, {1, 0, 1}))
      .TableData(kEndnoteRefs, RefPlc({10, 13}, {1}))
      .TableData(kEndnoteTexts, Plc({0, 6}));
  return b;
}

TEST(Notes, NumberedReferencesAndNoteMarksShowTheirNumbers) {
  EXPECT_EQ(TextOf(WithNotes()), u"A1 B* C2 Di.\n1 one\n* two\n2 three\ni end\n");

  // Start numbers from the document properties: footnotes from 7, endnotes from 4.
  Bytes dop(84, 0);
  dop[2] = 7 << 2;
  dop[52] = 4 << 2;
  EXPECT_EQ(TextOf(WithNotes().TableData(kDop, dop)),
            u"A7 B* C8 Div.\n7 one\n* two\n8 three\niv end\n");
}

TEST(Notes, ReferencesThatDoNotFitTheTextAreIgnored) {
  // Descending positions: no numbers, the placeholders are dropped as before.
  DocBuilder broken = WithNotes();
  broken.TableData(kFootnoteRefs, RefPlc({7, 1, 4, 13}, {1, 1, 1}));
  const std::u16string text = TextOf(broken);
  EXPECT_EQ(text.substr(0, text.find(u'\n')), u"A B* C Di.");

  // A reference position on an ordinary character or past the main text
  // adds nothing there.
  DocBuilder shifted = WithNotes();
  shifted.TableData(kFootnoteRefs, RefPlc({0, 4, 400, 900}, {1, 0, 1}));
  EXPECT_EQ(TextOf(shifted).substr(0, 12), u"A B* C Di.\n1");
}

TEST(Notes, LowerRomanNumerals) {
  using wordfilt::LowerRoman;
  EXPECT_EQ(LowerRoman(1), u"i");
  EXPECT_EQ(LowerRoman(4), u"iv");
  EXPECT_EQ(LowerRoman(9), u"ix");
  EXPECT_EQ(LowerRoman(14), u"xiv");
  EXPECT_EQ(LowerRoman(49), u"xlix");
  EXPECT_EQ(LowerRoman(3999), u"mmmcmxcix");
  EXPECT_EQ(LowerRoman(4000), u"4000");
}

}  // namespace
}  // namespace wordtest
