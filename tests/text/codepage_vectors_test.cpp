// Checks the code-page functions against what the Windows functions answered for the same
// calls (tests/data/codepages). On POSIX this tests the layer's own implementation; on the
// Windows targets it checks that the system still answers as recorded, which keeps the
// vectors honest.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "conversion_calls.h"
#include "platform/text.h"
#include "vector_files.h"

namespace {

using calls::Bytes;
using calls::Units;
using vectors::ToHex;

const unsigned kPages[] = {874,   1250,  1251,  1252,  1253,  1254,  1255,  1256,  1257,
                           1258,  932,   936,   949,   950,   437,   850,   866,   65001,
                           852,   10000, 20127, 20866, 21866, 28591, 28592, 28593, 28594,
                           28595, 28596, 28597, 28598, 28599, 28603, 28605};

// Counts mismatches and keeps the first few for the failure message.
class Mismatches {
 public:
  void Add(const std::string& what) {
    if (++count_ <= 12) shown_ += "  " + what + "\n";
  }
  size_t count() const { return count_; }
  std::string shown() const { return shown_; }

 private:
  size_t count_ = 0;
  std::string shown_;
};

#define EXPECT_NO_MISMATCHES(m, context) \
  EXPECT_EQ((m).count(), 0u) << (context) << "; the first ones:\n" << (m).shown()

std::string Hex4(unsigned v) {
  char b[8];
  std::snprintf(b, sizeof b, "%04x", v);
  return b;
}

std::string ResultText(int ret, DWORD error, const std::string& output) {
  return ret > 0 ? output : "!" + std::to_string(error);
}

// What the generator recorded for one code point: the bytes, "*" + bytes when the used flag
// was set, "!N" for an error.
std::string EncodeOne(unsigned cp, DWORD flags, unsigned c, Mismatches& m) {
  calls::EncodeArgs a;
  a.flags = flags;
  a.capacity = 8;
  const calls::Encoded plain = calls::Encode(cp, {static_cast<std::uint16_t>(c)}, a);
  const std::string value =
      ResultText(plain.ret, plain.error, ToHex(plain.buffer.data(), plain.ret > 0 ? plain.ret : 0));
  if (cp == CP_UTF8) return value;
  a.want_used = true;
  const calls::Encoded checked = calls::Encode(cp, {static_cast<std::uint16_t>(c)}, a);
  const std::string checked_value = ResultText(
      checked.ret, checked.error, ToHex(checked.buffer.data(), checked.ret > 0 ? checked.ret : 0));
  if (checked_value != value)
    m.Add("U+" + Hex4(c) + ": " + value + " without the used flag, " + checked_value + " with it");
  return checked.used ? "*" + value : value;
}

class PageVectors : public ::testing::TestWithParam<unsigned> {
 protected:
  std::string WideFile() const { return "wc2mb_" + std::to_string(GetParam()) + ".txt"; }
  std::string MultiFile() const { return "mb2wc_" + std::to_string(GetParam()) + ".txt"; }
};

TEST_P(PageVectors, EachBmpCodePointEncodesAsTheSystemDoes) {
  const unsigned cp = GetParam();
  auto runs = vectors::ReadRuns(WideFile());
  const vectors::Section& base = runs["[flags 0]"];
  ASSERT_EQ(base.size(), 0x10000u) << WideFile() << " is missing or incomplete";
  for (DWORD flags : {DWORD{0}, DWORD{WC_NO_BEST_FIT_CHARS}}) {
    if (cp == CP_UTF8 && flags) continue;
    const vectors::Section& diff = runs["[flags " + Hex4(flags).substr(1) + "]"];
    Mismatches m;
    for (unsigned c = 0; c < 0x10000; ++c) {
      const std::string key = Hex4(c);
      auto d = diff.find(key);
      const std::string& want = flags && d != diff.end() ? d->second : base.at(key);
      const std::string got = EncodeOne(cp, flags, c, m);
      if (got != want) m.Add("U+" + key + ": " + got + ", the system gives " + want);
    }
    EXPECT_NO_MISMATCHES(m, "code page " + std::to_string(cp) + " flags " + std::to_string(flags));
  }
}

TEST_P(PageVectors, EachByteAndPairDecodesAsTheSystemDoes) {
  const unsigned cp = GetParam();
  auto runs = vectors::ReadRuns(MultiFile());
  const vectors::Section& base = runs["[flags 0]"];
  ASSERT_GE(base.size(), 256u) << MultiFile() << " is missing or incomplete";
  for (DWORD flags : {DWORD{0}, DWORD{MB_ERR_INVALID_CHARS}}) {
    const vectors::Section& diff = runs["[flags 8]"];
    Mismatches m;
    for (const auto& [key, value] : base) {
      auto d = diff.find(key);
      const std::string& want = flags && d != diff.end() ? d->second : value;
      calls::DecodeArgs a;
      a.flags = flags;
      a.capacity = 8;
      const calls::Decoded r = calls::Decode(cp, vectors::HexBytes(key), a);
      const std::string got =
          ResultText(r.ret, r.error, ToHex(r.buffer.data(), r.ret > 0 ? r.ret : 0));
      if (got != want) m.Add(key + ": " + got + ", the system gives " + want);
    }
    EXPECT_NO_MISMATCHES(m, "code page " + std::to_string(cp) + " flags " + std::to_string(flags));
  }
}

// One long call must give what the characters give one by one: this runs the bulk paths
// (ASCII blocks, the no-room-check stretch) that single characters never reach. ASCII
// runs of varying length between the characters shift every block boundary.
TEST_P(PageVectors, LongTextEncodesAsItsCharactersDo) {
  const unsigned cp = GetParam();
  auto runs = vectors::ReadRuns(WideFile());
  const vectors::Section& base = runs["[flags 0]"];
  ASSERT_EQ(base.size(), 0x10000u);
  Units text;
  Bytes want;
  bool any_default = false;
  for (unsigned c = 0; c < 0x10000; ++c) {
    const std::string& v = base.at(Hex4(c));
    if (v[0] == '!') continue;
    if (cp == CP_UTF8 && c >= 0xD800 && c < 0xE000) continue;  // would pair up
    for (unsigned k = 0; k < c % 37; ++k) {
      text.push_back(static_cast<std::uint16_t>('a' + k % 26));
      want.push_back(static_cast<std::uint8_t>('a' + k % 26));
    }
    text.push_back(static_cast<std::uint16_t>(c));
    const Bytes b = vectors::HexBytes(v[0] == '*' ? v.substr(1) : v);
    any_default = any_default || v[0] == '*';
    want.insert(want.end(), b.begin(), b.end());
  }
  calls::EncodeArgs a;
  EXPECT_EQ(calls::Encode(cp, text, a).ret, static_cast<int>(want.size()));
  a.capacity = static_cast<int>(want.size());
  const calls::Encoded full = calls::Encode(cp, text, a);
  ASSERT_EQ(full.ret, static_cast<int>(want.size()));
  EXPECT_TRUE(full.buffer == want) << "the long text converts differently";
  if (cp != CP_UTF8) {
    a.want_used = true;
    const calls::Encoded checked = calls::Encode(cp, text, a);
    EXPECT_TRUE(checked.buffer == want);
    EXPECT_EQ(checked.used != FALSE, any_default);
  }
  a.want_used = false;
  a.capacity -= 1;
  const calls::Encoded shorter = calls::Encode(cp, text, a);
  EXPECT_EQ(shorter.ret, 0);
  EXPECT_EQ(shorter.error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

// Every byte and pair decoded in one long call, context-free as each takes its full
// width; for UTF-8, the encodings of all BMP characters decode back.
TEST_P(PageVectors, LongInputDecodesAsItsPiecesDo) {
  const unsigned cp = GetParam();
  Bytes text;
  Units want;
  if (cp == CP_UTF8) {
    auto runs = vectors::ReadRuns(WideFile());
    for (unsigned c = 0; c < 0x10000; ++c) {
      if (c >= 0xD800 && c < 0xE000) continue;
      for (unsigned k = 0; k < c % 23; ++k) {
        text.push_back('0' + k % 10);
        want.push_back('0' + k % 10);
      }
      const Bytes b = vectors::HexBytes(runs["[flags 0]"][Hex4(c)]);
      text.insert(text.end(), b.begin(), b.end());
      want.push_back(static_cast<std::uint16_t>(c));
    }
  } else {
    auto runs = vectors::ReadRuns(MultiFile());
    std::vector<bool> lead(256);  // the bytes the file pairs with trail bytes
    for (const auto& entry : runs["[flags 0]"])
      if (entry.first.size() == 4) lead[std::stoul(entry.first.substr(0, 2), nullptr, 16)] = true;
    for (const auto& [key, value] : runs["[flags 0]"]) {
      if (value[0] == '!') continue;
      const Bytes b = vectors::HexBytes(key);
      const Units u = vectors::HexUnits(value);
      // A lone lead byte takes whatever follows: only whole pairs and other bytes here.
      if (b.size() == 1 && lead[b[0]]) continue;
      for (unsigned k = 0; k < b[0] % 19; ++k) {
        text.push_back('A' + k);
        want.push_back('A' + k);
      }
      text.insert(text.end(), b.begin(), b.end());
      want.insert(want.end(), u.begin(), u.end());
    }
  }
  ASSERT_FALSE(text.empty());
  calls::DecodeArgs a;
  EXPECT_EQ(calls::Decode(cp, text, a).ret, static_cast<int>(want.size()));
  a.capacity = static_cast<int>(want.size());
  const calls::Decoded full = calls::Decode(cp, text, a);
  ASSERT_EQ(full.ret, static_cast<int>(want.size()));
  EXPECT_TRUE(full.buffer == want) << "the long input decodes differently";
  a.capacity -= 1;
  const calls::Decoded shorter = calls::Decode(cp, text, a);
  EXPECT_EQ(shorter.ret, 0);
  EXPECT_EQ(shorter.error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

INSTANTIATE_TEST_SUITE_P(AllPages, PageVectors, ::testing::ValuesIn(kPages),
                         [](const ::testing::TestParamInfo<unsigned>& info) {
                           return "cp" + std::to_string(info.param);
                         });

TEST(SystemVectors, WholeStringsConvertAsTheSystemDoes) {
  const std::vector<std::string> lines = vectors::ReadLines("strings.txt");
  ASSERT_GT(lines.size(), 1000u);
  Mismatches m;
  for (const std::string& line : lines) {
    const std::vector<std::string> p = vectors::Split(line);
    ASSERT_EQ(p.size(), 8u) << line;
    const UINT cp = static_cast<UINT>(std::stoul(p[1]));
    const DWORD flags = static_cast<DWORD>(std::stoul(p[2], nullptr, 16));
    std::string got;
    if (p[0] == "W") {
      calls::EncodeArgs a;
      a.flags = flags;
      a.capacity = 64;
      const calls::Encoded r = calls::Encode(cp, vectors::HexUnits(p[3]), a);
      const Bytes out = r.Output();
      got = std::to_string(r.ret) + " " + (r.ret ? p[6] : std::to_string(r.error)) + " " +
            ToHex(out.data(), out.size());
    } else {
      calls::DecodeArgs a;
      a.flags = flags;
      a.capacity = 64;
      const calls::Decoded r = calls::Decode(cp, vectors::HexBytes(p[3]), a);
      const Units out = r.Output();
      got = std::to_string(r.ret) + " " + (r.ret ? p[6] : std::to_string(r.error)) + " " +
            ToHex(out.data(), out.size());
    }
    const std::string want = p[5] + " " + p[6] + " " + p[7];
    if (got != want)
      m.Add(p[0] + " " + p[1] + " " + p[2] + " " + p[3] + ": " + got + ", want " + want);
  }
  EXPECT_NO_MISMATCHES(m, "strings.txt");
}

TEST(SystemVectors, ArgumentEdgesBehaveAsTheSystem) {
  const std::vector<std::string> lines = vectors::ReadLines("api.txt");
  ASSERT_GT(lines.size(), 1000u);
  Mismatches m;
  for (const std::string& line : lines) {
    const std::vector<std::string> p = vectors::Split(line);
    std::string got, want;
    if (p[0] == "W") {
      ASSERT_EQ(p.size(), 14u) << line;
      const UINT cp = static_cast<UINT>(std::stoul(p[1]));
      calls::EncodeArgs a;
      a.flags = static_cast<DWORD>(std::stoul(p[2], nullptr, 16));
      a.null_input = p[3] == "null";
      a.length = std::stoi(p[4]);
      a.capacity = std::stoi(p[5]);
      std::string def;
      if (p[6] != "none") {
        const Bytes d = vectors::HexBytes(p[6]);
        def.assign(d.begin(), d.end());
        a.default_char = def.c_str();
      }
      a.want_used = p[7] == "1";
      a.null_output = p[8] == "1";
#ifndef _WIN32
      // Wine lets UTF-8 take a default character and a used flag; Windows refuses both,
      // and so does this layer (see text_api_test).
      if (cp == CP_UTF8 && (a.default_char || a.want_used)) continue;
#endif
      const calls::Encoded r =
          calls::Encode(cp, a.null_input ? Units{} : vectors::HexUnits(p[3]), a);
      got = std::to_string(r.ret) + " " + (r.ret ? "-" : std::to_string(r.error)) + " " +
            ToHex(r.buffer.data(), r.buffer.size()) + " " + std::to_string(r.used);
      want = p[10] + " " + (p[10] != "0" ? "-" : p[11]) + " " + p[12] + " " + p[13];
    } else if (p[0] == "M") {
      ASSERT_EQ(p.size(), 11u) << line;
      const UINT cp = static_cast<UINT>(std::stoul(p[1]));
      calls::DecodeArgs a;
      a.flags = static_cast<DWORD>(std::stoul(p[2], nullptr, 16));
      a.null_input = p[3] == "null";
      a.length = std::stoi(p[4]);
      a.capacity = std::stoi(p[5]);
      a.null_output = p[6] == "1";
      const calls::Decoded r =
          calls::Decode(cp, a.null_input ? Bytes{} : vectors::HexBytes(p[3]), a);
      got = std::to_string(r.ret) + " " + (r.ret ? "-" : std::to_string(r.error)) + " " +
            ToHex(r.buffer.data(), r.buffer.size());
      want = p[8] + " " + (p[8] != "0" ? "-" : p[9]) + " " + p[10];
    } else {
      ASSERT_EQ(p.size(), 9u) << line;
      const calls::LocaleAnswer r = calls::Locale(static_cast<LCID>(std::stoul(p[1], nullptr, 16)),
                                                  static_cast<DWORD>(std::stoul(p[2], nullptr, 16)),
                                                  std::stoi(p[3]), p[4] == "1");
      got = std::to_string(r.ret) + " " + (r.ret ? "-" : std::to_string(r.error)) + " " +
            ToHex(r.buffer.data(), r.buffer.size());
      want = p[6] + " " + (p[6] != "0" ? "-" : p[7]) + " " + p[8];
    }
    if (got != want) m.Add(line.substr(0, line.find(" -> ")) + ": " + got + ", want " + want);
  }
  EXPECT_NO_MISMATCHES(m, "api.txt");
}

TEST(SystemVectors, EveryLocaleIdAnswersAsTheSystem) {
#ifdef _WIN32
  // The default-locale ids follow the user's locale; the vectors were made in English-US.
  const bool defaults_comparable = GetUserDefaultLCID() == 0x0409;
#else
  const bool defaults_comparable = true;
#endif
  Mismatches m;
  size_t seen = 0;
  vectors::VisitRuns("locales.txt", [&](const std::string& section, const std::string& key,
                                        const std::string& want) {
    ++seen;
    const LCID lcid = static_cast<LCID>(std::stoul(key, nullptr, 16));
    if (!defaults_comparable && (lcid & 0xFFFF03FF) == 0) return;
    const DWORD type = static_cast<DWORD>(std::stoul(section.substr(6), nullptr, 16));
    char buf[40];
    SetLastError(0);
    const int ret = GetLocaleInfoA(lcid, type, buf, sizeof buf);
    const std::string got = ret > 0 ? "=" + std::string(buf) + "/" + std::to_string(ret)
                                    : "!" + std::to_string(GetLastError());
    if (got != want) m.Add(section + " " + key + ": " + got + ", the system gives " + want);
  });
  EXPECT_EQ(seen, 2u * 0x100000u) << "locales.txt is missing or incomplete";
  EXPECT_NO_MISMATCHES(m, "locales.txt");
}

}  // namespace
