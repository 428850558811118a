// The calling conventions of the code-page functions, as callers rely on them. These hold
// for the system's functions on Windows too, except where marked POSIX-only.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "conversion_calls.h"
#include "platform/text.h"

namespace {

using calls::Bytes;
using calls::Units;

Units U(std::u16string_view s) { return Units(s.begin(), s.end()); }

// Latin, a best-fit letter, Cyrillic, a CJK ideograph, kana, a symbol no page has.
const std::u16string_view kMixed = u"Abc\u00e9\u0100\u0416\u4e00\u3042\u2603z";

TEST(WideToMulti, CountThenConvertThenTooSmall) {
  for (UINT cp : {1252u, 1251u, 866u, 932u, 936u, 949u, 950u, 65001u}) {
    SCOPED_TRACE(cp);
    calls::EncodeArgs a;
    const int needed = calls::Encode(cp, U(kMixed), a).ret;
    ASSERT_GT(needed, 0);
    a.capacity = needed;
    const calls::Encoded full = calls::Encode(cp, U(kMixed), a);
    EXPECT_EQ(full.ret, needed);
    a.capacity = needed - 1;
    const calls::Encoded shorter = calls::Encode(cp, U(kMixed), a);
    EXPECT_EQ(shorter.ret, 0);
    EXPECT_EQ(shorter.error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    // What fitted is the start of the full result, and at most one character is missing.
    size_t written = 0;
    while (written < shorter.buffer.size() && shorter.buffer[written] == full.buffer[written])
      ++written;
    EXPECT_GE(written + 4, shorter.buffer.size());
    for (size_t i = written; i < shorter.buffer.size(); ++i) EXPECT_EQ(shorter.buffer[i], 0xCC);
  }
}

TEST(WideToMulti, MinusOneLengthStopsAfterTheTerminator) {
  calls::EncodeArgs a;
  a.length = -1;
  a.capacity = 16;
  const calls::Encoded r = calls::Encode(1252, U(std::u16string_view(u"ab\0cd", 5)), a);
  ASSERT_EQ(r.ret, 3);
  EXPECT_EQ(r.buffer[0], 'a');
  EXPECT_EQ(r.buffer[2], 0);
  EXPECT_EQ(r.buffer[3], 0xCC);
}

TEST(WideToMulti, BestFitThenDefaultCharacter) {
  calls::EncodeArgs a;
  a.capacity = 8;
  a.want_used = true;
  // U+0100 has a best fit in 1252 ('A'); U+4E00 has none.
  const Units text = U(u"\u0100\u4e00");
  calls::Encoded r = calls::Encode(1252, text, a);
  ASSERT_EQ(r.ret, 2);
  EXPECT_EQ(r.buffer[0], 'A');
  EXPECT_EQ(r.buffer[1], '?');
  EXPECT_TRUE(r.used);

  a.default_char = "#";
  r = calls::Encode(1252, text, a);
  EXPECT_EQ(r.buffer[0], 'A');
  EXPECT_EQ(r.buffer[1], '#');

  a.flags = WC_NO_BEST_FIT_CHARS;
  r = calls::Encode(1252, text, a);
  EXPECT_EQ(r.buffer[0], '#');
  EXPECT_EQ(r.buffer[1], '#');

  // A real question mark is no default character.
  a.flags = 0;
  r = calls::Encode(1252, U(u"a?\u00e9"), a);
  EXPECT_EQ(r.ret, 3);
  EXPECT_FALSE(r.used);
}

TEST(WideToMulti, DoubleByteDefaultCharacterTakesTwoBytes) {
  calls::EncodeArgs a;
  a.capacity = 8;
  a.default_char = "\x81\x40";  // the ideographic space in 932
  a.want_used = true;
  const calls::Encoded r = calls::Encode(932, U(u"a\u2603"), a);
  ASSERT_EQ(r.ret, 3);
  EXPECT_EQ(r.buffer[1], 0x81);
  EXPECT_EQ(r.buffer[2], 0x40);
  EXPECT_TRUE(r.used);
}

TEST(WideToMulti, DoubleByteCharacterIsNeverSplit) {
  calls::EncodeArgs a;
  a.capacity = 2;
  const calls::Encoded r = calls::Encode(932, U(u"a\u3042"), a);  // 'a' + 82 A0
  EXPECT_EQ(r.ret, 0);
  EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(r.buffer[0], 'a');
  EXPECT_EQ(r.buffer[1], 0xCC);
}

TEST(WideToMulti, Utf8ReplacesLoneSurrogates) {
  calls::EncodeArgs a;
  a.capacity = 16;
  const calls::Encoded r = calls::Encode(CP_UTF8, {'a', 0xD800, 'b', 0xD83D, 0xDE00}, a);
  ASSERT_EQ(r.ret, 9);
  EXPECT_EQ(r.Output(), (Bytes{'a', 0xEF, 0xBF, 0xBD, 'b', 0xF0, 0x9F, 0x98, 0x80}));
  a.flags = WC_ERR_INVALID_CHARS;
  const calls::Encoded strict = calls::Encode(CP_UTF8, {'a', 0xD800}, a);
  EXPECT_EQ(strict.ret, 0);
  EXPECT_EQ(strict.error, static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

#ifndef _WIN32
// Windows refuses both for UTF-8 (Wine does not, so this is not checked against it).
TEST(WideToMulti, Utf8RefusesDefaultCharacterAndUsedFlag) {
  calls::EncodeArgs a;
  a.capacity = 16;
  a.default_char = "?";
  calls::Encoded r = calls::Encode(CP_UTF8, U(u"abc"), a);
  EXPECT_EQ(r.ret, 0);
  EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  a.default_char = nullptr;
  a.want_used = true;
  r = calls::Encode(CP_UTF8, U(u"abc"), a);
  EXPECT_EQ(r.ret, 0);
  EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(r.buffer[0], 0xCC);
}
#endif

TEST(WideToMulti, BadArgumentsAndUnknownPages) {
  calls::EncodeArgs a;
  a.capacity = 16;
  for (UINT cp : {1200u, 12345u, 65002u}) {
    const calls::Encoded r = calls::Encode(cp, U(u"abc"), a);
    EXPECT_EQ(r.ret, 0) << cp;
    EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << cp;
  }
  a.length = 0;
  EXPECT_EQ(calls::Encode(1252, U(u"abc"), a).error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  a.length = calls::kInputSize;
  a.null_output = true;
  EXPECT_EQ(calls::Encode(1252, U(u"abc"), a).error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  a.null_output = false;
  a.flags = 0x1000;
  EXPECT_EQ(calls::Encode(1252, U(u"abc"), a).error, static_cast<DWORD>(ERROR_INVALID_FLAGS));
}

TEST(WideToMulti, SystemCodePageAliases) {
  calls::EncodeArgs a;
  a.capacity = 64;
  const Bytes acp = calls::Encode(GetACP(), U(kMixed), a).Output();
  EXPECT_EQ(calls::Encode(CP_ACP, U(kMixed), a).Output(), acp);
  EXPECT_EQ(calls::Encode(CP_THREAD_ACP, U(kMixed), a).Output(), acp);
  EXPECT_EQ(calls::Encode(CP_OEMCP, U(kMixed), a).Output(),
            calls::Encode(GetOEMCP(), U(kMixed), a).Output());
}

TEST(MultiToWide, CountThenConvertThenTooSmall) {
  const Bytes text = {'A', 0x82, 0xA0, 0x88, 0xEA, 0xC3, 0xA9, 'z'};
  for (UINT cp : {1252u, 932u, 936u, 65001u}) {
    SCOPED_TRACE(cp);
    calls::DecodeArgs a;
    const int needed = calls::Decode(cp, text, a).ret;
    ASSERT_GT(needed, 0);
    a.capacity = needed;
    EXPECT_EQ(calls::Decode(cp, text, a).ret, needed);
    a.capacity = needed - 1;
    const calls::Decoded r = calls::Decode(cp, text, a);
    EXPECT_EQ(r.ret, 0);
    EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  }
}

TEST(MultiToWide, LeadByteWithoutTrail) {
  calls::DecodeArgs a;
  a.capacity = 8;
  // 932 decodes a lone lead byte to its undefined character, and refuses it when asked to.
  const calls::Decoded lone = calls::Decode(932, {'a', 0x82}, a);
  ASSERT_EQ(lone.ret, 2);
  EXPECT_EQ(lone.buffer[0], 'a');
  EXPECT_EQ(lone.buffer[1], 0x30FB);
  a.flags = MB_ERR_INVALID_CHARS;
  const calls::Decoded strict = calls::Decode(932, {'a', 0x82}, a);
  EXPECT_EQ(strict.ret, 0);
  EXPECT_EQ(strict.error, static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(MultiToWide, Utf8RoundTripOfLongMixedText) {
  std::u16string text;
  for (int i = 0; i < 3000; ++i) text += i % 7 ? u"plain ascii words " : u"\u00e9\u4e00\U0001F600 ";
  calls::EncodeArgs e;
  e.capacity = static_cast<int>(text.size() * 3);
  const calls::Encoded bytes = calls::Encode(CP_UTF8, U(text), e);
  ASSERT_GT(bytes.ret, 0);
  calls::DecodeArgs d;
  d.capacity = static_cast<int>(text.size());
  const calls::Decoded back = calls::Decode(CP_UTF8, bytes.Output(), d);
  EXPECT_EQ(back.Output(), U(text));
}

TEST(LocaleInfo, AnsiCodePageOfLocales) {
  auto answer = [](LCID lcid) {
    const calls::LocaleAnswer r = calls::Locale(lcid, LOCALE_IDEFAULTANSICODEPAGE, 40);
    return r.ret > 0 ? std::string(r.buffer.begin(), r.buffer.begin() + r.ret - 1) : "fails";
  };
  EXPECT_EQ(answer(0x0411), "932");
  EXPECT_EQ(answer(0x0439), "0");                 // Hindi: Unicode only
  EXPECT_EQ(answer(0x0019), answer(0x0419));      // neutral Russian = Russian (Russia)
  EXPECT_EQ(answer(0x00020804), answer(0x0804));  // a Chinese sort order
  EXPECT_EQ(answer(0x00010409), "fails");         // English has no such sort
  EXPECT_EQ(answer(0x1234), "fails");
#ifdef _WIN32
  EXPECT_EQ(answer(LOCALE_SYSTEM_DEFAULT), answer(GetSystemDefaultLCID()));
#else
  EXPECT_EQ(answer(LOCALE_SYSTEM_DEFAULT), "1252");  // the system locale is English-US here
  EXPECT_EQ(answer(LOCALE_USER_DEFAULT), "1252");
#endif
  EXPECT_EQ(calls::Locale(0x0411, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_NOUSEROVERRIDE, 40).buffer,
            calls::Locale(0x0411, LOCALE_IDEFAULTANSICODEPAGE, 40).buffer);
}

TEST(LocaleInfo, BufferSizes) {
  EXPECT_EQ(calls::Locale(0x0409, LOCALE_IDEFAULTANSICODEPAGE, 0).ret, 5);  // "1252" + NUL
  const calls::LocaleAnswer exact = calls::Locale(0x0409, LOCALE_IDEFAULTANSICODEPAGE, 5);
  EXPECT_EQ(exact.ret, 5);
  EXPECT_EQ(exact.buffer[4], 0);
  const calls::LocaleAnswer small = calls::Locale(0x0409, LOCALE_IDEFAULTANSICODEPAGE, 4);
  EXPECT_EQ(small.ret, 0);
  EXPECT_EQ(small.error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(calls::Locale(0x0409, LOCALE_IDEFAULTANSICODEPAGE, 40, true).error,
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// The first conversions may come from several threads at once; the lazily built tables
// must come out whole for each of them.
TEST(Threads, FirstUseFromManyThreadsAgrees) {
  const Units text = U(kMixed);
  std::vector<Bytes> results(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < results.size(); ++i) {
    threads.emplace_back([&, i] {
      calls::EncodeArgs a;
      a.capacity = 64;
      results[i] = calls::Encode(i % 2 ? 949 : 1257, text, a).Output();
    });
  }
  for (auto& t : threads) t.join();
  for (size_t i = 2; i < results.size(); ++i) EXPECT_EQ(results[i], results[i % 2]);
  EXPECT_FALSE(results[0].empty());
}

#ifndef _WIN32
// On Windows, starting and joining a thread themselves reset the caller's last error.
TEST(Threads, LastErrorIsPerThread) {
  SetLastError(ERROR_INVALID_FLAGS);
  DWORD seen = 1;
  std::thread([&] {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    seen = GetLastError();
  }).join();
  EXPECT_EQ(seen, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
}
#endif

}  // namespace
