// The pieces of the walk over the text on built documents: character runs,
// paragraphs, list numbers and note labels, each on its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/wordfilt/test_support.h"
#include "wordfilt/doc/char_runs.h"
#include "wordfilt/doc/document.h"
#include "wordfilt/doc/list_numbers.h"
#include "wordfilt/doc/note_labels.h"
#include "wordfilt/doc/paragraphs.h"

namespace wordtest {
namespace {

using wordfilt::CharRuns;
using wordfilt::Paragraph;
using wordfilt::Paragraphs;

const Bytes kHidden = Sprm(0x083C, 1, 1);  // sprmCFVanish
const Bytes kTtp = Sprm(0x2417, 1, 1);     // sprmPFTtp
const Bytes kInnerCell = Sprm(0x244B, 1, 1);

struct Loaded {
  wordfilt::MemoryStreams streams;
  wordfilt::Document doc;
  explicit Loaded(const DocBuilder& b) : streams(b.Build()) {
    EXPECT_EQ(doc.Load(streams), wordfilt::LoadStatus::kOk);
  }
};

std::u16string RunText(const CharRuns& runs, std::size_t k) {
  return std::u16string(runs.text() + runs[k].start, runs.End(k) - runs[k].start);
}

TEST(CharRuns, PiecesOfBothEncodingsCutWhereTheirPropertiesChange) {
  DocBuilder b;
  b.Piece(u"ab", true).Piece(u"\x0416\x0416", false, kHidden).Piece(u"cd\r", true);
  b.ReversePieceOrder();  // stream order no longer follows the text
  Loaded l(b);
  CharRuns runs(l.doc);
  runs.Decode(0, 7);
  ASSERT_EQ(std::u16string(runs.text(), runs.size()),
            u"ab\x0416\x0416"
            u"cd\r");
  ASSERT_EQ(runs.count(), 3u);
  EXPECT_EQ(RunText(runs, 1), u"\x0416\x0416");
  const wordfilt::RunProps plain;
  EXPECT_FALSE(runs.Props(0, plain).hidden);
  EXPECT_TRUE(runs.Props(1, plain).hidden);
  EXPECT_FALSE(runs.Props(2, plain).hidden);
  // The byte offsets follow each piece's own encoding.
  EXPECT_EQ(runs.FcOf(1, 3), runs[1].fc + 2);
  EXPECT_EQ(runs.FcOf(2, 5), runs[2].fc + 1);
  EXPECT_EQ(runs.Seek(0, 4), 2u);

  // A range that starts and ends inside pieces replaces the one before.
  runs.Decode(1, 5);
  EXPECT_EQ(std::u16string(runs.text(), runs.size()),
            u"b\x0416\x0416"
            u"c");
  ASSERT_EQ(runs.count(), 3u);
  EXPECT_EQ(RunText(runs, 0), u"b");
  EXPECT_FALSE(runs.truncated());
}

TEST(CharRuns, TextPastTheStreamIsLeftOutAndReported) {
  // One piece whose text would run far past the end of the stream.
  Bytes clx = {0x02};
  Put32(clx, 4 + 12 + 8);
  for (std::uint32_t cp : {0u, 100000u}) Put32(clx, cp);
  Bytes pcd = {0, 0};
  Put32(pcd, 0x40000000u | (0x200u * 2));  // compressed text from byte 0x200
  pcd.push_back(0);
  pcd.push_back(0);
  DocBuilder b;
  b.Piece(u"abc\r", true).RawClx(Cat({clx, pcd})).Stories(100000, 0, 0);
  Loaded l(b);
  CharRuns runs(l.doc);
  runs.Decode(0, l.doc.CpLimit());
  EXPECT_TRUE(runs.truncated());
  EXPECT_LE(runs.size(), l.doc.wordDocument().size());
}

TEST(Paragraphs, MarksCarryTheirStyleAndTableFlags) {
  DocBuilder b;
  b.Piece(u"one\rcell\x07row\x07inner\rtail", true)
      .Paragraph(3, {}, 5)
      .Paragraph(8, {})
      .Paragraph(12, kTtp)
      .Paragraph(18, kInnerCell);
  Loaded l(b);
  CharRuns runs(l.doc);
  runs.Decode(0, 23);
  Paragraphs paras(l.doc.tables().papx, l.doc.tables().papxFlags);
  paras.Start(runs);
  std::vector<Paragraph> all;
  for (Paragraph p; paras.Next(p);) all.push_back(p);
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[0].begin, 0u);
  EXPECT_EQ(all[0].end, 4u);
  EXPECT_EQ(all[0].istd, 5);
  EXPECT_EQ(all[1].end, 9u);
  EXPECT_FALSE(all[1].info.rowEnd);  // a cell mark that ends only its cell
  EXPECT_TRUE(all[2].info.rowEnd);
  EXPECT_TRUE(all[3].info.innerCell);
  EXPECT_FALSE(all[3].info.rowEnd);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_TRUE(all[i].hasMark);
    ASSERT_NE(all[i].flags, nullptr);
  }
  // The text after the last mark is a paragraph of its own, without one.
  EXPECT_EQ(all[4].begin, 19u);
  EXPECT_EQ(all[4].end, 23u);
  EXPECT_FALSE(all[4].hasMark);
  EXPECT_EQ(all[4].flags, nullptr);

  // Starting again gives the same paragraphs from the start.
  paras.Start(runs);
  Paragraph first;
  ASSERT_TRUE(paras.Next(first));
  EXPECT_EQ(first.end, 4u);
}

TEST(Paragraphs, FindMarkLooksPastLongRunsWithoutMarks) {
  std::u16string text(40, u'x');
  EXPECT_EQ(wordfilt::FindMark(text.data(), 0, text.size()), text.size());
  text[37] = 0x07;
  text[38] = 0x0D;
  EXPECT_EQ(wordfilt::FindMark(text.data(), 0, text.size()), 37u);
  EXPECT_EQ(wordfilt::FindMark(text.data(), 38, text.size()), 38u);
  text[3] = 0x0E;  // close to the marks, but not one
  EXPECT_EQ(wordfilt::FindMark(text.data(), 0, 30), 30u);
}

// Puts every paragraph's list number (and only that) through a TextBuilder.
std::u16string NumbersOf(const DocBuilder& b, int stories) {
  Loaded l(b);
  CharRuns runs(l.doc);
  Paragraphs paras(l.doc.tables().papx, l.doc.tables().papxFlags);
  wordfilt::ListNumbers numbers(l.doc);
  wordfilt::DocumentText text;
  wordfilt::TextBuilder out(text, 0x0409, 0, 4096);
  for (int s = 0; s < stories; ++s) {
    numbers.Restart();
    out.BeginStory();
    runs.Decode(0, l.doc.CpLimit());
    paras.Start(runs);
    for (Paragraph p; paras.Next(p);) {
      numbers.Put(p, runs, l.doc.tables().styles.Paragraph(p.istd), out);
    }
  }
  out.Finish();
  return text.text;
}

TEST(ListNumbers, CountsShownMarksAndRestartsPerStory) {
  using namespace std::string_literals;
  const Bytes inList = Cat({Sprm(0x460B, 1, 2), Sprm(0x260A, 0, 1)});
  DocBuilder b;
  b.List({{1, 0, u"\x00."s, 2}})
      .Piece(u"a\rb\r", true)
      .Piece(u"\r", true, kHidden)  // a list paragraph whose mark is hidden
      .Piece(u"c\rd\r", true);
  for (std::uint32_t cp : {1u, 3u, 4u, 6u}) b.Paragraph(cp, inList);
  // "d" is not in a list; the hidden mark takes no number.
  EXPECT_EQ(NumbersOf(b, 2), u"1.2.3.1.2.3.");

  // Without list tables nothing is counted or put.
  DocBuilder none;
  none.Piece(u"a\rb\r", true).Paragraph(1, inList);
  EXPECT_EQ(NumbersOf(none, 1), u"");
}

TEST(NoteLabels, PlaceholdersTakeTheirLabelsAndTextStopsShortOfThem) {
  const std::vector<wordfilt::NoteLabel> labels = {{3, u"0"}, {12, u"1"}, {15, u"2"}, {20, u"3"}};
  wordfilt::NoteLabels notes(labels);
  notes.Start(10);  // a range from CP 10: the label at 3 is not in it
  EXPECT_EQ(notes.Limit(0, 8), 2u);
  EXPECT_EQ(notes.Take(0, u'x'), nullptr);
  const wordfilt::NoteLabel* l = notes.Take(2, wordfilt::NoteLabels::kPlaceholder);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->text, u"1");
  // A label on a character that is no placeholder is passed over.
  EXPECT_EQ(notes.Take(5, u'x'), nullptr);
  EXPECT_EQ(notes.Limit(6, 8), 8u);  // the next label lies past the paragraph
  EXPECT_EQ(notes.Limit(6, 20), 10u);
  // Skipping ahead passes the labels before.
  EXPECT_EQ(notes.Take(11, wordfilt::NoteLabels::kPlaceholder), nullptr);
  EXPECT_EQ(notes.Limit(11, 20), 20u);
}

}  // namespace
}  // namespace wordtest
