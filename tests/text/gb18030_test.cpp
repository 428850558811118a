// GB18030 (54936): the committed vectors (from an independent implementation, since
// Wine has no such page), that every code point has exactly one code and back, and how
// broken input and arguments are answered. Skipped on a Windows without 54936.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/text.h"
#include "vector_files.h"

namespace {

constexpr UINT kGb = 54936;

std::u16string Units(std::uint32_t cp) {
  if (cp < 0x10000) return std::u16string(1, static_cast<char16_t>(cp));
  cp -= 0x10000;
  return {static_cast<char16_t>(0xD800 + (cp >> 10)), static_cast<char16_t>(0xDC00 + (cp & 0x3FF))};
}

std::string Encode(const std::u16string& text, DWORD flags = 0, int capacity = 64) {
  std::string out(static_cast<std::size_t>(capacity), '\0');
  const int n =
      WideCharToMultiByte(kGb, flags, reinterpret_cast<LPCWSTR>(text.data()),
                          static_cast<int>(text.size()), out.data(), capacity, nullptr, nullptr);
  out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return out;
}

std::u16string Decode(const std::string& bytes, DWORD flags = 0) {
  std::u16string out(bytes.size() * 2 + 2, u'\0');
  const int n =
      MultiByteToWideChar(kGb, flags, bytes.data(), static_cast<int>(bytes.size()),
                          reinterpret_cast<LPWSTR>(out.data()), static_cast<int>(out.size()));
  out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return out;
}

std::string Hex(const std::string& s) {
  return vectors::ToHex(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

class Gb18030 : public testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    if (!IsValidCodePage(kGb)) GTEST_SKIP() << "no code page 54936 on this system (Wine has none)";
#else
    ASSERT_TRUE(IsValidCodePage(kGb));
#endif
  }
};

TEST_F(Gb18030, CodePointsEncodeAndDecodeAsTheVectorsSay) {
  const std::vector<std::string> lines = vectors::ReadLines("gb18030.txt");
  ASSERT_GT(lines.size(), 1000u);
  int wrong = 0;
  for (const std::string& line : lines) {
    const std::vector<std::string> f = vectors::Split(line);
    ASSERT_EQ(f.size(), 2u) << line;
    const auto cp = static_cast<std::uint32_t>(std::stoul(f[0], nullptr, 16));
    const std::vector<std::uint8_t> b = vectors::HexBytes(f[1]);
    const std::string bytes(b.begin(), b.end());
    const std::string got = Encode(Units(cp));
    if (got != bytes || Decode(bytes) != Units(cp)) {
      if (++wrong <= 5) ADD_FAILURE() << line << ": encodes as " << Hex(got);
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(Gb18030, EveryCodePointHasOneCodeAndEveryPairOneCharacter) {
  std::set<std::string> codes;
  int wrong = 0;
  for (std::uint32_t cp = 0; cp <= 0x10FFFF; cp += (cp < 0x10000 ? 1 : 251)) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const std::string code = Encode(Units(cp));
    const std::size_t expected = cp < 0x80 ? 1 : cp >= 0x10000 ? 4 : 0;
    const bool sized = expected ? code.size() == expected : code.size() == 2 || code.size() == 4;
    if (!sized || Decode(code) != Units(cp) || !codes.insert(code).second) {
      if (++wrong <= 5) ADD_FAILURE() << std::hex << cp << " -> " << Hex(code);
    }
  }
  EXPECT_EQ(wrong, 0);
  // The BMP takes every pair there is and exactly the four-byte codes up to 84 31 A4 39.
  int pairs = 0;
  for (const std::string& c : codes) pairs += c.size() == 2;
  EXPECT_EQ(pairs, 126 * 190);
  EXPECT_EQ(Encode(u"\uFFFF"), "\x84\x31\xA4\x39");
  EXPECT_EQ(Encode(Units(0x10000)), "\x90\x30\x81\x30");
  EXPECT_EQ(Encode(Units(0x10FFFF)), "\xE3\x32\x9A\x35");
}

TEST_F(Gb18030, BrokenInputIsReplacedOrRefusedAsAsked) {
  const std::string replacement = Encode(u"\uFFFD");
  ASSERT_EQ(replacement.size(), 4u);
  // A lone surrogate: the replacement character, or no translation with the strict flag.
  EXPECT_EQ(Encode(u"a\xD800"
                   "b"),
            "a" + replacement + "b");
  EXPECT_EQ(Encode(u"\xDC00"), replacement);
  SetLastError(0);
  EXPECT_EQ(Encode(u"a\xD800", WC_ERR_INVALID_CHARS), "");
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
  // Bytes that start no character, sequences cut short, codes beyond U+10FFFF.
  struct Case {
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"\x80", u"\uFFFD"},
      {"\xFF"
       "a",
       u"\uFFFD"
       "a"},
      {"a\x81", u"a\uFFFD"},
      {std::string("\x81\x30\x81", 3), u"\uFFFD\x30\uFFFD"},
      {"\x81\x7F", u"\uFFFD\x7F"},
      {"\x84\x31\xA5\x30", u"\uFFFD"},  // after U+FFFF, before the planes
      {"\xE3\x32\x9A\x36", u"\uFFFD"},  // after U+10FFFF
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Hex(c.bytes));
    EXPECT_EQ(Decode(c.bytes), c.text);
    SetLastError(0);
    EXPECT_EQ(Decode(c.bytes, MB_ERR_INVALID_CHARS), u"");
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
  }
}

TEST_F(Gb18030, FlagsAndShortBuffersAnswerAsForUtf8) {
  SetLastError(0);
  EXPECT_EQ(Encode(u"a", WC_NO_BEST_FIT_CHARS), "");
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_FLAGS));
  SetLastError(0);
  EXPECT_EQ(Decode("a", MB_PRECOMPOSED), u"");
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_FLAGS));
  // Three bytes of room for a four-byte code.
  SetLastError(0);
  EXPECT_EQ(Encode(u"\uFFFF", 0, 3), "");
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
  // Capacity 0 counts.
  const std::u16string text = u"a\u4E00\uFFFF";
  EXPECT_EQ(WideCharToMultiByte(kGb, 0, reinterpret_cast<LPCWSTR>(text.data()), 3, nullptr, 0,
                                nullptr, nullptr),
            7);
}

}  // namespace
