#include "platform/path.h"

#include <gtest/gtest.h>

TEST(NarrowPath, UnitsUpToFFAreTheOriginalBytes) {
  // "caf\xC3\xA9.doc" as the library widens it: each byte one unit.
  EXPECT_EQ(platform::NarrowPath(u"/tmp/caf\u00C3\u00A9.doc"), "/tmp/caf\xC3\xA9.doc");
  EXPECT_EQ(platform::NarrowPath(u"/x/\u00FF\u0080"), "/x/\xFF\x80");
  EXPECT_EQ(platform::NarrowPath(u""), "");
}

TEST(NarrowPath, WiderUnitsAreEncodedAsUtf8) {
  EXPECT_EQ(platform::NarrowPath(u"/d/\u00E9\u4E2D"), "/d/\xC3\xA9\xE4\xB8\xAD");
  EXPECT_EQ(platform::NarrowPath(u"\U0001F600\u0100"), "\xF0\x9F\x98\x80\xC4\x80");
  // An unpaired surrogate cannot name a file: it becomes U+FFFD.
  EXPECT_EQ(platform::NarrowPath(std::u16string(u"a\xD800"
                                                u"b\u0100",
                                                4)),
            "a\xEF\xBF\xBD"
            "b\xC4\x80");
}

TEST(NarrowPath, StopsAtNul) {
  EXPECT_EQ(platform::NarrowPath(std::u16string(u"ab\0cd", 5)), "ab");
}
