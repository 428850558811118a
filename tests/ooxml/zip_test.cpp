// The zip reader: entry layouts real writers produce, and archives built to
// mislead it.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/zip_builder.h"
#include "wordfilt/zip/zip_archive.h"
#include "wordfilt/zip/zip_entry_stream.h"

namespace {

using docflt_test::BuildZip;
using docflt_test::ZipEntrySpec;
using wordfilt::zip::ZipArchive;
using wordfilt::zip::ZipLimits;
using wordfilt::zip::ZipStatus;

const std::uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const std::uint8_t*>(s.data());
}

std::string Text(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; s.size() < n; ++i) s += "line " + std::to_string(i * 7919 % 10007) + "\n";
  s.resize(n);
  return s;
}

ZipStatus Read(const ZipArchive& zip, const std::string& name, std::string& out) {
  const auto* e = zip.Find(name);
  if (e == nullptr) return ZipStatus::kNotZip;
  return zip.ReadAll(*e, out);
}

TEST(ZipTest, StoredDeflatedDescriptorAndZip64EntriesReadBack) {
  const std::string big = Text(300000);
  const std::string zip = BuildZip({{"stored.txt", "plain bytes", false},
                                    {"deflated.txt", big, true},
                                    {"descriptor.txt", big.substr(1000), true, true},
                                    {"stored-descriptor.txt", "abc", false, true},
                                    {"zip64.txt", big.substr(5), true, false, true}},
                                   true);
  ZipArchive archive;
  ASSERT_EQ(archive.Open(Bytes(zip), zip.size()), ZipStatus::kOk);
  EXPECT_EQ(archive.entries().size(), 5u);
  std::string out;
  EXPECT_EQ(Read(archive, "stored.txt", out), ZipStatus::kOk);
  EXPECT_EQ(out, "plain bytes");
  EXPECT_EQ(Read(archive, "deflated.txt", out), ZipStatus::kOk);
  EXPECT_EQ(out, big);
  EXPECT_EQ(Read(archive, "descriptor.txt", out), ZipStatus::kOk);
  EXPECT_EQ(out, big.substr(1000));
  EXPECT_EQ(Read(archive, "stored-descriptor.txt", out), ZipStatus::kOk);
  EXPECT_EQ(out, "abc");
  EXPECT_EQ(Read(archive, "zip64.txt", out), ZipStatus::kOk);
  EXPECT_EQ(out, big.substr(5));
  EXPECT_EQ(archive.Find("zip64.txt")->size, big.size() - 5);
  // Names match in any case and with a leading slash, as part names do.
  EXPECT_NE(archive.Find("/DEFLATED.TXT"), nullptr);
  EXPECT_EQ(archive.Find("missing.txt"), nullptr);
}

TEST(ZipTest, DuplicateNamesTakeTheFirstEntry) {
  const std::string zip =
      BuildZip({{"word/document.xml", "first"}, {"Word/Document.xml", "second"}, {"x", "y"}});
  ZipArchive archive;
  ASSERT_EQ(archive.Open(Bytes(zip), zip.size()), ZipStatus::kOk);
  std::string out;
  EXPECT_EQ(Read(archive, "word/document.xml", out), ZipStatus::kOk);
  EXPECT_EQ(out, "first");
}

TEST(ZipTest, BombsAreRefused) {
  const std::string zeros(24 << 20, '\0');
  // Declared honestly: refused before any inflating.
  {
    const std::string zip = BuildZip({{"bomb", zeros}});
    ZipArchive archive;
    ASSERT_EQ(archive.Open(Bytes(zip), zip.size()), ZipStatus::kOk);
    std::string out;
    EXPECT_EQ(Read(archive, "bomb", out), ZipStatus::kTooLarge);
  }
  // Declared small: inflating stops at the ratio limit.
  {
    const std::string zip = BuildZip({{"bomb", zeros, true, false, false, 100}});
    ZipArchive archive;
    ASSERT_EQ(archive.Open(Bytes(zip), zip.size()), ZipStatus::kOk);
    std::string out;
    EXPECT_EQ(Read(archive, "bomb", out), ZipStatus::kTooLarge);
    EXPECT_LT(out.size(), zeros.size());
  }
  // Many entries that are each within the limits, but not together.
  {
    ZipLimits limits;
    limits.maxTotalSize = 1 << 20;
    const std::string part = Text(400000);
    const std::string zip = BuildZip({{"a", part}, {"b", part}, {"c", part}});
    ZipArchive archive;
    ASSERT_EQ(archive.Open(Bytes(zip), zip.size(), limits), ZipStatus::kOk);
    std::string out;
    EXPECT_EQ(Read(archive, "a", out), ZipStatus::kOk);
    EXPECT_EQ(Read(archive, "b", out), ZipStatus::kOk);
    EXPECT_EQ(Read(archive, "c", out), ZipStatus::kTooLarge);
  }
}

TEST(ZipTest, DamagedArchivesAreReportedNotTrusted) {
  const std::string good = BuildZip({{"a.txt", Text(50000)}, {"b.txt", "bee", false}});
  ZipArchive archive;
  // No end record.
  EXPECT_EQ(archive.Open(Bytes(good), good.size() - 22), ZipStatus::kNotZip);
  EXPECT_EQ(archive.Open(nullptr, 0), ZipStatus::kNotZip);
  // A directory that points past the end.
  std::string bad = good;
  bad[bad.size() - 6] = '\x7F';
  EXPECT_EQ(archive.Open(Bytes(bad), bad.size()), ZipStatus::kDamaged);
  // An entry count far beyond what the directory can hold.
  bad = good;
  bad[bad.size() - 12] = '\xFF';
  bad[bad.size() - 11] = '\x7F';
  EXPECT_EQ(archive.Open(Bytes(bad), bad.size()), ZipStatus::kDamaged);
  // Compressed data cut short: the entry is damaged, never read past the end.
  bad = BuildZip({{"a.txt", Text(50000)}});
  std::string truncated = bad;
  // Corrupt the middle of the deflate stream.
  for (std::size_t i = 60; i < 120; ++i) truncated[i] = '\xFF';
  ASSERT_EQ(archive.Open(Bytes(truncated), truncated.size()), ZipStatus::kOk);
  std::string out;
  EXPECT_EQ(Read(archive, "a.txt", out), ZipStatus::kDamaged);
  // Encrypted entries and unknown methods.
  std::string encrypted = BuildZip({{"e", "secret", false}});
  const std::size_t dir = encrypted.find("PK\x01\x02");
  encrypted[dir + 8] = '\x01';
  ASSERT_EQ(archive.Open(Bytes(encrypted), encrypted.size()), ZipStatus::kOk);
  EXPECT_EQ(Read(archive, "e", out), ZipStatus::kEncrypted);
  std::string method = BuildZip({{"m", "data", false}});
  method[method.find("PK\x01\x02") + 10] = '\x0E';
  ASSERT_EQ(archive.Open(Bytes(method), method.size()), ZipStatus::kOk);
  EXPECT_EQ(Read(archive, "m", out), ZipStatus::kUnsupported);
}

}  // namespace
