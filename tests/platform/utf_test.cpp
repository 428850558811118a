#include "platform/utf.h"

#include <gtest/gtest.h>

TEST(Utf8, PairsSurrogatesAndReplacesLoneOnes) {
  std::string out;
  platform::AppendUtf8(std::u16string(u"a\u00E9\u20AC\U0001F600"), &out);
  EXPECT_EQ(out, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  out.clear();
  const char16_t lone[] = {0xD83D, u'x', 0xDE00, 0};
  platform::AppendUtf8(std::u16string_view(lone), &out);
  EXPECT_EQ(out, "\xEF\xBF\xBDx\xEF\xBF\xBD");
}
