// The reply decoder and the settings file: what the module trusts from a
// worker, and what it reads from its own settings.
#include "wordfilt/isolation/protocol.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "wordfilt/isolation/settings.h"

namespace fs = std::filesystem;
using namespace wordfilt;
using namespace wordfilt::isolation;

namespace {

DocumentText Sample() {
  DocumentText doc;
  doc.text = u"Hello\nWorld\n";
  doc.chunks = {{0, 6, 0x0409, kBreakNone}, {6, 6, 0x0407, kBreakParagraph}};
  doc.properties = {{2, u"Title"}, {4, u"Author"}};
  doc.truncated = true;
  return doc;
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  std::memcpy(b.data() + at, &v, 4);
}

// Whether the reply decodes; reading its text in place must judge it alike.
bool Decodes(const std::vector<std::uint8_t>& b) {
  Outcome o{};
  DocumentText d;
  std::u16string_view inPlace;
  const bool copied = DecodeResult(b.data(), b.size(), &o, &d);
  EXPECT_EQ(DecodeResult(b.data(), b.size(), &o, &d, &inPlace), copied);
  return copied;
}

}  // namespace

TEST(IsolationProtocol, ResultRoundTrips) {
  const DocumentText in = Sample();
  const std::vector<std::uint8_t> bytes = EncodeResult(Outcome::kOk, in);
  Outcome outcome = Outcome::kDamaged;
  DocumentText out;
  ASSERT_TRUE(DecodeResult(bytes.data(), bytes.size(), &outcome, &out));
  EXPECT_EQ(outcome, Outcome::kOk);
  EXPECT_EQ(out.text, in.text);
  ASSERT_EQ(out.chunks.size(), 2u);
  EXPECT_EQ(out.chunks[1].offset, 6u);
  EXPECT_EQ(out.chunks[1].locale, 0x0407u);
  EXPECT_EQ(out.chunks[1].breakType, kBreakParagraph);
  ASSERT_EQ(out.properties.size(), 2u);
  EXPECT_EQ(out.properties[1].id, 4u);
  EXPECT_EQ(out.properties[1].value, u"Author");
  EXPECT_TRUE(out.truncated);

  // A reply lying at an odd address (the text's units unaligned) decodes the
  // same, a long text included.
  DocumentText longer;
  for (int i = 0; i < 3000; ++i) longer.text += static_cast<char16_t>(u'A' + i % 50);
  longer.chunks = {{0, 2500, 0x0409, kBreakNone}, {2500, 500, 0x0419, kBreakParagraph}};
  longer.properties = {{2, u"Title"}};
  const std::vector<std::uint8_t> encoded = EncodeResult(Outcome::kOk, longer);
  std::vector<std::uint8_t> shifted(encoded.size() + 1);
  std::memcpy(shifted.data() + 1, encoded.data(), encoded.size());
  DocumentText fromOdd;
  ASSERT_TRUE(DecodeResult(shifted.data() + 1, encoded.size(), &outcome, &fromOdd));
  EXPECT_EQ(fromOdd.text, longer.text);
  EXPECT_EQ(fromOdd.properties[0].value, u"Title");
  EXPECT_EQ(fromOdd.chunks[1].locale, 0x0419u);

  // Read in place, the text is the reply's own bytes and nothing is copied;
  // at an odd address it cannot be, and is copied instead.
  std::u16string_view inPlace;
  DocumentText viewed;
  ASSERT_TRUE(DecodeResult(encoded.data(), encoded.size(), &outcome, &viewed, &inPlace));
  EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(inPlace.data()), encoded.data() + 20);
  EXPECT_EQ(inPlace, std::u16string_view(longer.text));
  EXPECT_TRUE(viewed.text.empty());
  EXPECT_EQ(viewed.chunks.size(), 2u);
  ASSERT_TRUE(DecodeResult(shifted.data() + 1, encoded.size(), &outcome, &viewed, &inPlace));
  EXPECT_TRUE(inPlace.empty());
  EXPECT_EQ(viewed.text, longer.text);

  // A failure carries nothing, whatever the document held.
  const std::vector<std::uint8_t> failed = EncodeResult(Outcome::kEncrypted, in);
  ASSERT_TRUE(DecodeResult(failed.data(), failed.size(), &outcome, &out));
  EXPECT_EQ(outcome, Outcome::kEncrypted);
  EXPECT_TRUE(out.text.empty() && out.chunks.empty() && out.properties.empty());
}

// Every way a reply can lie about itself is refused, never trusted.
TEST(IsolationProtocol, MalformedRepliesAreRefused) {
  const std::vector<std::uint8_t> good = EncodeResult(Outcome::kOk, Sample());
  ASSERT_TRUE(Decodes(good));
  // Cut anywhere, or with a byte too many.
  for (std::size_t n = 0; n < good.size(); ++n) {
    EXPECT_FALSE(Decodes(std::vector<std::uint8_t>(good.begin(), good.begin() + n))) << n;
  }
  std::vector<std::uint8_t> longer = good;
  longer.push_back(0);
  EXPECT_FALSE(Decodes(longer));

  const std::size_t chunks = 20 + 12 * 2;  // after the header and the text
  struct Patch {
    const char* what;
    std::size_t at;
    std::uint32_t value;
  } patches[] = {
      {"unknown outcome", 0, 99},
      {"truncated flag not a flag", 4, 2},
      {"text count past the end", 8, 0x40000000},
      {"chunk count past the end", 12, 0x10000000},
      {"too many properties", 16, 100000},
      {"chunk past the text", chunks + 16, 7},
      {"empty chunk", chunks + 4, 0},
      {"chunks overlapping", chunks + 16, 5},
      {"unknown break type", chunks + 12, 5},
      {"property longer than the reply", chunks + 32 + 4, 1000},
  };
  for (const Patch& p : patches) {
    std::vector<std::uint8_t> bad = good;
    Put32(bad, p.at, p.value);
    EXPECT_FALSE(Decodes(bad)) << p.what;
  }
  // A failure that still carries text.
  std::vector<std::uint8_t> failedWithText = good;
  Put32(failedWithText, 0, static_cast<std::uint32_t>(Outcome::kDamaged));
  EXPECT_FALSE(Decodes(failedWithText));
}

class IsolationSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    dir =
        fs::temp_directory_path() /
        ("wordfilt-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    ini = (dir / "wordfilt.ini").string();
  }
  void TearDown() override { fs::remove_all(dir); }
  void Write(const std::string& body) { std::ofstream(ini) << "[WORDFILT]\n" << body; }
  fs::path dir;
  std::string ini;
};

TEST_F(IsolationSettings, PathIsBesideTheModule) {
  EXPECT_EQ(SettingsPathFor("/opt/lib/wordfilt.so"), "/opt/lib/wordfilt.ini");
  EXPECT_EQ(SettingsPathFor("C:\\x.y\\wordfilt.dll"), "C:\\x.y\\wordfilt.ini");
  EXPECT_EQ(SettingsPathFor("/opt/x.y/wordfilt"), "");
}

TEST_F(IsolationSettings, MissingFileGetsExplainedDefaults) {
  const Settings s = ReadSettings(ini);
  EXPECT_EQ(s.timeoutSeconds, 30u);
  EXPECT_EQ(s.memoryLimitMiB, 1024u);
  std::stringstream text;
  text << std::ifstream(ini).rdbuf();
  EXPECT_NE(text.str().find("[WORDFILT]"), std::string::npos);
  EXPECT_NE(text.str().find("TIMEOUT=30"), std::string::npos);
  EXPECT_NE(text.str().find("MEMORYLIMIT=1024"), std::string::npos);
  EXPECT_NE(text.str().find("'Seconds a worker"), std::string::npos);
  // Isolated by default where workers are sandboxed; Windows builds parse in
  // process unless told otherwise.
#ifdef _WIN32
  EXPECT_FALSE(s.isolated);
  EXPECT_NE(text.str().find("ISOLATION=inproc"), std::string::npos);
#else
  EXPECT_TRUE(s.isolated);
  EXPECT_NE(text.str().find("ISOLATION=process"), std::string::npos);
#endif
}

TEST_F(IsolationSettings, ValuesAndFallbacks) {
  Write("ISOLATION=InProc\nTIMEOUT=5\nMEMORYLIMIT=256\n");
  Settings s = ReadSettings(ini);
  EXPECT_FALSE(s.isolated);
  EXPECT_EQ(s.timeoutSeconds, 5u);
  EXPECT_EQ(s.memoryLimitMiB, 256u);
#ifndef _WIN32
  Write("ISOLATION=Process\n");
  EXPECT_TRUE(ReadSettings(ini).isolated);
#endif
  // Nonsense falls back to the defaults: an unknown mode isolates on POSIX.
  Write("ISOLATION=threads\nTIMEOUT=0\nMEMORYLIMIT=12abc\n");
  s = ReadSettings(ini);
#ifdef _WIN32
  EXPECT_FALSE(s.isolated);
#else
  EXPECT_TRUE(s.isolated);
#endif
  EXPECT_EQ(s.timeoutSeconds, 30u);
  EXPECT_EQ(s.memoryLimitMiB, 1024u);
  Write("TIMEOUT=-3\nMEMORYLIMIT=1\n");
  s = ReadSettings(ini);
  EXPECT_EQ(s.timeoutSeconds, 30u);
  EXPECT_EQ(s.memoryLimitMiB, 1024u);
}
