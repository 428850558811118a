// UTF-8 conversion of long mixed runs, where the converter takes blocks of
// units at a time: the output must match a plain per-character encoding for
// every mix and buffer size, and nothing past the result may be touched.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "conversion_calls.h"

namespace {

using calls::Bytes;
using calls::Units;

// The encoding every converter must agree with; a lone surrogate is U+FFFD.
Bytes Reference(const Units& in) {
  Bytes out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    std::uint32_t cp = in[i];
    if ((cp & 0xFC00) == 0xD800 && i + 1 < in.size() && (in[i + 1] & 0xFC00) == 0xDC00) {
      cp = 0x10000 + ((cp & 0x3FF) << 10) + (in[++i] & 0x3FF);
    } else if ((cp & 0xF800) == 0xD800) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<std::uint8_t>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<std::uint8_t>(0xC0 | cp >> 6));
      out.push_back(static_cast<std::uint8_t>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<std::uint8_t>(0xE0 | cp >> 12));
      out.push_back(static_cast<std::uint8_t>(0x80 | (cp >> 6 & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<std::uint8_t>(0xF0 | cp >> 18));
      out.push_back(static_cast<std::uint8_t>(0x80 | (cp >> 12 & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (cp >> 6 & 0x3F)));
      out.push_back(static_cast<std::uint8_t>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

// Text in one alphabet with spaces and punctuation, now and then a character
// of three or four bytes or a broken surrogate.
Units MixedRun(std::mt19937& rng, std::size_t n, std::uint16_t alphabet) {
  Units u;
  std::uniform_int_distribution<int> pick(0, 99);
  for (std::size_t i = 0; i < n; ++i) {
    const int r = pick(rng);
    if (r < 70) {
      u.push_back(static_cast<std::uint16_t>(alphabet + r % 48));
    } else if (r < 85) {
      u.push_back(u' ');
    } else if (r < 93) {
      u.push_back(static_cast<std::uint16_t>(u'a' + r % 26));
    } else if (r < 96) {
      u.push_back(0x2026);  // three bytes
    } else if (r < 98) {
      u.push_back(0xD83D);  // a pair: four bytes
      u.push_back(0xDE00);
    } else {
      u.push_back(r % 2 ? 0xD800 : 0xDC00);  // alone: U+FFFD
    }
  }
  return u;
}

TEST(Utf8Runs, LongMixedRunsMatchThePlainEncoding) {
  std::mt19937 rng(65001);
  for (std::uint16_t alphabet : {0x0410, 0x03B1, 0x05D0, 0x0627, 0x00C0}) {
    for (std::size_t n : {7u, 8u, 9u, 15u, 16u, 17u, 33u, 200u, 1000u}) {
      const Units in = MixedRun(rng, n, alphabet);
      const Bytes want = Reference(in);
      calls::EncodeArgs a;
      EXPECT_EQ(calls::Encode(CP_UTF8, in, a).ret, static_cast<int>(want.size()));
      // Room to spare: the bytes after the result keep the caller's filler.
      a.capacity = static_cast<int>(want.size()) + 24;
      const calls::Encoded got = calls::Encode(CP_UTF8, in, a);
      ASSERT_EQ(got.Output(), want) << "alphabet " << alphabet << ", " << n << " units";
      for (std::size_t i = want.size(); i < got.buffer.size(); ++i) {
        ASSERT_EQ(got.buffer[i], 0xCC) << "byte " << i << " past the result was written";
      }
    }
  }
}

TEST(Utf8Runs, TooSmallBuffersLeaveOnlyAStartOfTheResult) {
  std::mt19937 rng(1251);
  const Units in = MixedRun(rng, 120, 0x0430);
  const Bytes want = Reference(in);
  for (int shortBy = 1; shortBy <= 40; ++shortBy) {
    SCOPED_TRACE(shortBy);
    calls::EncodeArgs a;
    a.capacity = static_cast<int>(want.size()) - shortBy;
    const calls::Encoded got = calls::Encode(CP_UTF8, in, a);
    EXPECT_EQ(got.ret, 0);
    EXPECT_EQ(got.error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    std::size_t same = 0;
    while (same < got.buffer.size() && got.buffer[same] == want[same]) ++same;
    // Whole characters only: at most one is cut off, and nothing else written.
    EXPECT_GE(same + 4, got.buffer.size());
    for (std::size_t i = same; i < got.buffer.size(); ++i) EXPECT_EQ(got.buffer[i], 0xCC);
  }
}

}  // namespace
