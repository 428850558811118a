// Long runs of plain text take a fast path through the text builder: a special
// character at any position inside a run must still be handled as on its own.
#include <gtest/gtest.h>

#include "tests/wordfilt/test_support.h"

using namespace wordtest;

namespace {

const std::u16string kRun = u"The quick brown fox jumps over the lazy dog";  // 43 characters

struct Special {
  char16_t c;
  std::u16string shown;  // what a reader gets for it
  bool fitsCompressed;
};

}  // namespace

TEST(Runs, SpecialCharacterAtEveryPositionOfARun) {
  const Special specials[] = {{0x0D, u"\n", true},  {0x0B, u"\n", true},
                              {0x1F, u"\u00AD", true},  {0x1E, u"-", true},
                              {0x01, u"", true},    {u'\u00E9', u"\u00E9", true},
                              {0x0085, u"", false}, {u'\u20AC', u"\u20AC", false}};
  for (const Special& sp : specials) {
    for (bool compressed : {true, false}) {
      if (compressed && !sp.fitsCompressed) continue;
      for (size_t p = 0; p <= kRun.size(); ++p) {
        std::u16string text = kRun;
        text.insert(p, 1, sp.c);
        DocBuilder b;
        b.Piece(text + u"\r", compressed);
        std::u16string expected = kRun;
        expected.insert(p, sp.shown);
        const wordfilt::DocumentText out = ExtractDoc(b);
        EXPECT_EQ(out.text, expected + u"\n") << "char " << std::hex << int(sp.c) << std::dec
                                              << " at " << p << " compressed " << compressed;
        EXPECT_TRUE(ChunksTileText(out));
      }
    }
  }
}

TEST(Runs, ScriptChangeInsideARunSplitsTheChunkThere) {
  for (size_t p = 1; p < kRun.size(); ++p) {
    std::u16string text = kRun;
    text.insert(p, u"\u0434");  // Cyrillic in a run marked English
    DocBuilder b;
    b.Piece(text + u"\r", false);
    const wordfilt::DocumentText out = ExtractDoc(b);
    ASSERT_TRUE(ChunksTileText(out));
    ASSERT_GE(out.chunks.size(), 2u) << p;
    EXPECT_EQ(out.chunks[0].length, p) << p;
    EXPECT_EQ(out.chunks[0].locale, 0x0409u);
    EXPECT_NE(out.chunks[1].locale, 0x0409u) << p;
    EXPECT_EQ(out.text.substr(out.chunks[1].offset, 1), u"\u0434");
  }
}
