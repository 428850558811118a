// Word 6 automatic numbering: numbered and bulleted lists, outline levels
// from sections and styles, and what ends or restarts a count.
#include <gtest/gtest.h>

#include <string>

#include "tests/wordfilt/test_support.h"

namespace wordtest {
namespace {

std::u16string Text(const Word6Doc& d) {
  wordfilt::MemoryStreams streams = BuildWord6(d);
  wordfilt::DocumentText out;
  EXPECT_EQ(wordfilt::ExtractText(streams, out), wordfilt::LoadStatus::kOk);
  return out.text;
}

Word6Paragraph Numbered(const std::string& text, const AutoLevelDef& def) {
  return {text, Cat({AutoDescriptionSprm(def), AutoLevelSprm(10)})};
}

Word6Paragraph AtLevel(const std::string& text, std::uint8_t level) {
  return {text, AutoLevelSprm(level)};
}

TEST(AutoNumbers, NumberedListsCountOnUntilAParagraphOutsideThem) {
  const AutoLevelDef dotted{0, "", "."};
  AutoLevelDef fromFive{2, "(", ")"};
  fromFive.startAt = 5;
  Word6Doc d;
  d.paragraphs = {Numbered("a", dotted),   Numbered("b", dotted), AtLevel("skipped", 12),
                  Numbered("c", dotted),   {"plain", {}},         Numbered("d", fromFive),
                  Numbered("e", fromFive), Numbered("f", dotted)};
  EXPECT_EQ(Text(d), u"1.\ta\n2.\tb\nskipped\n3.\tc\nplain\n(v)\td\n(vi)\te\n7.\tf\n");
}

TEST(AutoNumbers, FormatsAndTextAroundTheNumber) {
  Word6Doc d;
  const std::vector<std::pair<std::uint8_t, std::u16string>> formats = {
      {1, u"XIV"}, {2, u"xiv"}, {3, u"N"}, {4, u"n"}, {5, u"14th"}, {0, u"14"}};
  for (const auto& f : formats) {
    AutoLevelDef def{f.first, "<", ">"};
    def.startAt = 14;
    d.paragraphs = {Numbered("x", def)};
    EXPECT_EQ(Text(d), u"<" + f.second + u">\tx\n") << int{f.first};
  }
  // Letters past z double; a start of 0 shows as 0.
  AutoLevelDef letters{4, "", ")"};
  letters.startAt = 27;
  d.paragraphs = {Numbered("x", letters)};
  EXPECT_EQ(Text(d), u"aa)\tx\n");
  AutoLevelDef zero{0, "", ""};
  zero.startAt = 0;
  d.paragraphs = {Numbered("x", zero), Numbered("y", zero)};
  EXPECT_EQ(Text(d), u"0\tx\n1\ty\n");
}

TEST(AutoNumbers, BulletsShowTheirSymbolOrAPlainBullet) {
  Word6Doc d;
  d.fonts = {{"Times New Roman", 0}, {"Symbol", 2}, {"Wingdings", 2}, {"Marlett", 2}};
  AutoLevelDef symbol{23, "\xB7", ""};
  symbol.font = 1;
  AutoLevelDef wingdings{23, "l", ""};
  wingdings.font = 2;
  AutoLevelDef picture{23, "a", ""};
  picture.font = 3;
  const AutoLevelDef dash{23, "-", " "};
  d.paragraphs = {{"a", Cat({AutoDescriptionSprm(symbol), AutoLevelSprm(11)})},
                  {"b", Cat({AutoDescriptionSprm(wingdings), AutoLevelSprm(11)})},
                  {"c", Cat({AutoDescriptionSprm(picture), AutoLevelSprm(11)})},
                  {"d", Cat({AutoDescriptionSprm(dash), AutoLevelSprm(11)})},
                  AtLevel("e", 11)};
  EXPECT_EQ(Text(d), u"\u2022\ta\n\u25CF\tb\n\u2022\tc\n- \td\n\u2022\te\n");
}

TEST(AutoNumbers, BulletsEndANumberedList) {
  const AutoLevelDef plain{0, "", "."};
  Word6Doc d;
  d.paragraphs = {Numbered("a", plain), Numbered("b", plain), AtLevel("c", 11),
                  Numbered("d", plain)};
  EXPECT_EQ(Text(d), u"1.\ta\n2.\tb\n\u2022\tc\n1.\td\n");
}

TEST(AutoNumbers, HiddenMarksDoNotCount) {
  const AutoLevelDef plain{0, "", "."};
  Word6Doc d;
  d.paragraphs = {Numbered("a", plain), Numbered("b", plain), Numbered("c", plain)};
  d.paragraphs[1].hiddenMark = true;
  const std::u16string text = Text(d);
  EXPECT_EQ(text.substr(0, 5), u"1.\ta\n");
  EXPECT_NE(text.find(u"2.\tc"), std::u16string::npos) << std::string(text.begin(), text.end());
  EXPECT_EQ(text.find(u"3."), std::u16string::npos);
}

// Levels 1-3: "I." / "I.1" / "(a)", the second showing the first's number.
std::vector<AutoLevelDef> Outline() {
  AutoLevelDef second{0, "", ""};
  second.previous = true;
  return {{1, "", "."}, second, {4, "(", ")"}};
}

TEST(AutoNumbers, OutlineLevelsCountPerLevelAndShowShallowerNumbers) {
  Word6Doc d;
  d.sections = {{8, OutlineSprm(Outline())}};
  d.paragraphs = {AtLevel("a", 1), AtLevel("b", 2), AtLevel("c", 2), AtLevel("d", 3),
                  {"body", {}},    AtLevel("e", 1), AtLevel("f", 3), AtLevel("g", 2)};
  // Body text does not interrupt the outline; a skipped level counts as shown.
  EXPECT_EQ(Text(d), u"I.\ta\nI.1\tb\nI.2\tc\n(a)\td\nbody\nII.\te\n(a)\tf\nII.2\tg\n");
}

TEST(AutoNumbers, OutlinesComeFromStylesAndRestartWithSectionsWhenAsked) {
  Word6Doc d;
  d.styles = {{}, AutoLevelSprm(1), AutoLevelSprm(2)};
  d.sections = {{3, OutlineSprm(Outline(), true)}, {3, OutlineSprm(Outline(), true)}};
  Word6Paragraph h1{"h1", {}, 1};
  Word6Paragraph h2{"h2", {}, 2};
  Word6Paragraph off{"off", AutoLevelSprm(0), 1};  // its own level wins
  d.paragraphs = {h1, h2, off, h1, h2, h2};
  EXPECT_EQ(Text(d), u"I.\th1\nI.1\th2\noff\nI.\th1\nI.1\th2\nI.2\th2\n");
  d.sections = {{3, OutlineSprm(Outline())}, {3, OutlineSprm(Outline())}};
  EXPECT_EQ(Text(d), u"I.\th1\nI.1\th2\noff\nII.\th1\nII.1\th2\nII.2\th2\n");
}

TEST(AutoNumbers, OutlineWithoutASectionOutlineUsesTheParagraphsDescription) {
  Word6Doc d;
  const AutoLevelDef upper{3, "", ")"};
  d.paragraphs = {{"a", Cat({AutoDescriptionSprm(upper), AutoLevelSprm(1)})},
                  {"b", Cat({AutoDescriptionSprm(upper), AutoLevelSprm(1)})}};
  EXPECT_EQ(Text(d), u"A)\ta\nB)\tb\n");
}

TEST(AutoNumbers, DamagedDescriptionsStayInsideTheirBytes) {
  Word6Doc d;
  // A description cut short keeps the plain look; one whose text counts run
  // past its characters shows what is there.
  Bytes shortDescription = {12, 6, 4, 0, 1, 0, 0, 0};
  AutoLevelDef longText{0, "", "."};
  Bytes overlong = AutoDescriptionSprm(longText);
  overlong[4] = 200;  // text after: 200 characters of 32
  d.paragraphs = {{"a", Cat({shortDescription, AutoLevelSprm(10)})},
                  {"b", Cat({overlong, AutoLevelSprm(10)})}};
  EXPECT_EQ(Text(d), u"1\ta\n2.\tb\n");
}

}  // namespace
}  // namespace wordtest
