// The chunk writer takes runs of text in one step where it can; the result
// must be what putting the characters one at a time gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wordfilt/chunks/chunk_writer.h"

namespace {

using wordfilt::ChunkWriter;
using wordfilt::DocumentText;

// Story markers and locale switches between pieces of text, as a reader calls them.
struct Step {
  std::uint32_t locale;  // 0: keep
  bool story;
  std::u16string text;
};

void Play(ChunkWriter& w, const std::vector<Step>& steps, bool oneAtATime) {
  for (const Step& s : steps) {
    if (s.story) {
      w.EndStory();
      w.BeginStory();
    }
    if (s.locale != 0) w.SetLocale(s.locale);
    if (oneAtATime) {
      for (char16_t c : s.text) w.Put(c);
    } else {
      w.Put(s.text);
    }
  }
  w.EndStory();
  w.Finish();
}

TEST(ChunkRuns, RunsChunkAsSingleCharactersDo) {
  const std::vector<Step> steps = {
      {0, false, u"Plain words, 12 digits\tand a tab.\nSecond paragraph "},
      {0x0407, false, u"deutsche W\u00F6rter 3 "},
      {0x0419, false, u"\u0440\u0443\u0441\u0441\u043A\u0438\u0439\u0001 ctrl\n\nempty line above"},
      {0, true, u"a note\nwith two paragraphs"},
      {0x0409, false,
       u" back to English " + std::u16string(40, u'x') + u"\n" + std::u16string(40, u'y')},
  };
  for (std::size_t chunkChars : {std::size_t{0}, std::size_t{16}, std::size_t{16384}}) {
    DocumentText runs, single;
    ChunkWriter a(runs, chunkChars, 0x0409), b(single, chunkChars, 0x0409);
    Play(a, steps, false);
    Play(b, steps, true);
    EXPECT_EQ(runs.text, single.text);
    ASSERT_EQ(runs.chunks.size(), single.chunks.size()) << chunkChars;
    for (std::size_t i = 0; i < runs.chunks.size(); ++i) {
      EXPECT_EQ(runs.chunks[i].offset, single.chunks[i].offset);
      EXPECT_EQ(runs.chunks[i].length, single.chunks[i].length);
      EXPECT_EQ(runs.chunks[i].locale, single.chunks[i].locale);
      EXPECT_EQ(runs.chunks[i].breakType, single.chunks[i].breakType);
    }
    EXPECT_EQ(runs.text.find(u'\u0001'), std::u16string::npos);
  }
}

}  // namespace
