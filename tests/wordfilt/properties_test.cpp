// Summary properties (title, subject, author, keywords).
#include "wordfilt/doc/properties.h"

#include <gtest/gtest.h>

#include "tests/wordfilt/test_support.h"

namespace wordtest {
namespace {

using wordfilt::DocumentProperty;

struct Value {
  std::uint32_t id;
  Bytes typed;  // type, then the value
};

void Pad4(Bytes& b) {
  while (b.size() % 4) b.push_back(0);
}

Value CodePage(std::uint16_t cp) {
  Bytes b;
  Put32(b, 2);
  Put16(b, cp);
  Put16(b, 0);
  return {1, b};
}

Value Narrow(std::uint32_t id, const std::string& bytes) {
  Bytes b;
  Put32(b, 30);
  Put32(b, static_cast<std::uint32_t>(bytes.size() + 1));
  b.insert(b.end(), bytes.begin(), bytes.end());
  b.push_back(0);
  Pad4(b);
  return {id, b};
}

Value Wide(std::uint32_t id, const std::u16string& text, std::uint32_t type = 31) {
  Bytes b;
  Put32(b, type);
  // Characters for the wide type; bytes for an 8-bit string in UTF-16.
  const std::size_t units = text.size() + 1;
  Put32(b, static_cast<std::uint32_t>(type == 31 ? units : 2 * units));
  for (char16_t c : text) Put16(b, c);
  Put16(b, 0);
  Pad4(b);
  return {id, b};
}

// A property set stream with one set, the summary information's.
Bytes PropertySet(const std::vector<Value>& values) {
  Bytes s;
  Put16(s, 0xFFFE);
  Put16(s, 0);
  Put32(s, 0x00020005);
  s.resize(24, 0);
  Put32(s, 1);
  const std::uint8_t fmtid[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                  0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
  s.insert(s.end(), fmtid, fmtid + 16);
  Put32(s, 48);
  Bytes set;
  std::uint32_t at = static_cast<std::uint32_t>(8 + 8 * values.size());
  Bytes data;
  Put32(set, 0);  // size, patched below
  Put32(set, static_cast<std::uint32_t>(values.size()));
  for (const Value& v : values) {
    Put32(set, v.id);
    Put32(set, at + static_cast<std::uint32_t>(data.size()));
    data.insert(data.end(), v.typed.begin(), v.typed.end());
  }
  set.insert(set.end(), data.begin(), data.end());
  const std::uint32_t size = static_cast<std::uint32_t>(set.size());
  for (int i = 0; i < 4; ++i) set[i] = static_cast<std::uint8_t>(size >> (8 * i));
  s.insert(s.end(), set.begin(), set.end());
  return s;
}

std::vector<DocumentProperty> Read(const Bytes& stream) {
  return wordfilt::ReadSummaryProperties(wordfilt::ByteSpan(stream));
}

std::vector<std::pair<std::uint32_t, std::u16string>> Pairs(
    const std::vector<DocumentProperty>& props) {
  std::vector<std::pair<std::uint32_t, std::u16string>> v;
  for (const DocumentProperty& p : props) v.emplace_back(p.id, p.value);
  return v;
}

using Expected = std::vector<std::pair<std::uint32_t, std::u16string>>;

TEST(Properties, StringsInTheSetsCodePageAndInUtf16) {
  // The code page comes last; the 8-bit strings before it still use it.
  const Bytes stream =
      PropertySet({Narrow(4, "A\tB "), Wide(3, u"\u00DCn\u00EFcode"), Narrow(2, "Caf\xE9"),
                   Narrow(5, "   "), Narrow(6, "comment"), CodePage(1252)});
  EXPECT_EQ(Pairs(Read(stream)),
            (Expected{{2, u"Caf\u00E9"}, {3, u"\u00DCn\u00EFcode"}, {4, u"A B"}}));

  EXPECT_EQ(Pairs(Read(PropertySet({CodePage(1251), Narrow(2, "\xCF\xF0\xE8")}))),
            (Expected{{2, u"\u041F\u0440\u0438"}}));
  EXPECT_EQ(Pairs(Read(PropertySet({CodePage(65001), Narrow(2, "\xE6\x97\xA5\xE6\x9C\xAC")}))),
            (Expected{{2, u"\u65E5\u672C"}}));
  EXPECT_EQ(Pairs(Read(PropertySet({CodePage(1200), Wide(4, u"\u00C5sa", 30)}))),
            (Expected{{4, u"\u00C5sa"}}));
}

TEST(Properties, DamagedSetsGiveWhatIsIntactAndNeverMore) {
  const Bytes good = PropertySet({CodePage(1252), Narrow(2, "Title"), Wide(4, u"Author")});
  const Expected all{{2, u"Title"}, {4, u"Author"}};
  ASSERT_EQ(Pairs(Read(good)), all);
  // Cut anywhere: a property is whole or missing.
  for (std::size_t n = 0; n < good.size(); ++n) {
    for (const auto& p : Pairs(Read(Bytes(good.begin(), good.begin() + n)))) {
      EXPECT_NE(std::find(all.begin(), all.end(), p), all.end()) << "cut at " << n;
    }
  }
  Bytes otherSet = good;
  otherSet[28] ^= 1;
  EXPECT_TRUE(Read(otherSet).empty());
  Bytes badOffset = good;
  badOffset[48 + 12] = 0xF0;  // the first property's offset, far out
  badOffset[48 + 13] = 0xFF;
  EXPECT_EQ(Pairs(Read(badOffset)).size(), 2u);
  Bytes hugeCount = good;
  hugeCount[48 + 4] = hugeCount[48 + 5] = hugeCount[48 + 6] = hugeCount[48 + 7] = 0xFF;
  EXPECT_EQ(Pairs(Read(hugeCount)), all);
  Bytes hugeString = PropertySet({Narrow(2, "x")});
  const std::size_t count = hugeString.size() - 8;  // the last value: type, count, "x\0", padding
  hugeString[count] = 0xFF;
  hugeString[count + 3] = 0x7F;
  EXPECT_TRUE(Read(hugeString).empty());
}

TEST(Properties, ExtractionReadsTheSummaryStream) {
  DocBuilder b;
  b.Piece(u"Body.\r", true);
  wordfilt::MemoryStreams streams = b.Build();
  streams.Add(std::u16string(wordfilt::kSummaryInformationStream),
              PropertySet({Narrow(2, "Report")}));
  wordfilt::DocumentText out;
  ASSERT_EQ(wordfilt::ExtractText(streams, out), wordfilt::LoadStatus::kOk);
  EXPECT_EQ(Pairs(out.properties), (Expected{{2, u"Report"}}));
  wordfilt::ExtractOptions textOnly;
  textOnly.properties = false;
  ASSERT_EQ(wordfilt::ExtractText(streams, out, textOnly), wordfilt::LoadStatus::kOk);
  EXPECT_TRUE(out.properties.empty());
  EXPECT_EQ(out.text, u"Body.\n");
}

}  // namespace
}  // namespace wordtest
