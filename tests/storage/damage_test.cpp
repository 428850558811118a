// Damaged and foreign inputs: each must give its error, promptly, without a
// read out of bounds (the sanitizer build checks that part).
#include <gtest/gtest.h>

#include <cstring>

#include "test_support.h"

namespace cfbtest {
namespace {

using platform::cfb::kRootEntry;

constexpr std::uint32_t kEnd = 0xFFFFFFFEu;

Node TwoStreams() {
  return Storage(u"", {Stream(u"Big", Pattern(20 * 512, 1)), Stream(u"Small", Pattern(500, 2)),
                       Storage(u"Sub", {Stream(u"Inner", Pattern(6000, 3))})});
}

Status OpenStatus(const std::vector<std::uint8_t>& bytes) {
  Status s = Status::kOk;
  auto f = OpenBytes(bytes, &s);
  EXPECT_EQ(f != nullptr, s == Status::kOk);
  return s;
}

Status ReadStatus(const Written& w, const std::u16string& name, EntryId storage = kRootEntry) {
  Status s;
  auto f = OpenBytes(w.bytes, &s);
  if (!f) return s;
  if (storage != kRootEntry) {
    s = f->find(kRootEntry, u"Sub", &storage);
    if (s != Status::kOk) return s;
  }
  std::vector<std::uint8_t> data;
  platform::cfb::StreamReader r;
  s = f->openStream(storage, name, &r);
  return s == Status::kOk ? r.readAll(&data) : s;
}

TEST(Damage, ForeignAndShortData) {
  EXPECT_EQ(OpenStatus({}), Status::kNotCompoundFile);
  std::vector<std::uint8_t> text(600, 'a');
  EXPECT_EQ(OpenStatus(text), Status::kNotCompoundFile);
  const Written w = Write(TwoStreams());
  EXPECT_EQ(OpenStatus({w.bytes.begin(), w.bytes.begin() + 5}), Status::kShortHeader);
  EXPECT_EQ(OpenStatus({w.bytes.begin(), w.bytes.begin() + 300}), Status::kShortHeader);
  std::vector<std::uint8_t> old = w.bytes;
  const std::uint8_t oldSig[8] = {0x0E, 0x11, 0xFC, 0x0D, 0xD0, 0xCF, 0x11, 0x0E};
  std::memcpy(old.data(), oldSig, 8);
  EXPECT_EQ(OpenStatus(old), Status::kOldFormat);
  // A null source is no compound file either.
  Status s;
  EXPECT_FALSE(CompoundFile::Open(nullptr, &s));
  EXPECT_EQ(s, Status::kNotCompoundFile);
}

TEST(Damage, BadHeaderFields) {
  const Written w = Write(TwoStreams());
  struct Patch {
    std::size_t offset;
    std::uint16_t value;
  };
  for (Patch p : {Patch{28, 0xFEFF}, Patch{26, 5}, Patch{30, 10}, Patch{32, 7}, Patch{56, 100}}) {
    std::vector<std::uint8_t> b = w.bytes;
    b[p.offset] = std::uint8_t(p.value);
    b[p.offset + 1] = std::uint8_t(p.value >> 8);
    EXPECT_EQ(OpenStatus(b), Status::kBadHeader) << p.offset;
  }
}

TEST(Damage, AbsurdCountsAreRefusedQuickly) {
  const Written base = Write(TwoStreams());
  for (std::uint32_t fatCount : {0u, 1000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    Written w = base;
    w.put32(44, fatCount);
    EXPECT_EQ(OpenStatus(w.bytes), Status::kCorrupt) << fatCount;
  }
  // FAT sectors listed as reserved ids, or past the end of the data.
  Written w = base;
  w.put32(76, 0xFFFFFFFCu);
  EXPECT_EQ(OpenStatus(w.bytes), Status::kCorrupt);
  w = base;
  w.put32(76, 5000);
  EXPECT_EQ(OpenStatus(w.bytes), Status::kTruncated);
}

TEST(Damage, DifatLoopAndEarlyEnd) {
  const Node tree = Storage(u"", {Stream(u"Big", Pattern(7500000, 5))});
  const Written base = Write(tree);
  ASSERT_GE(base.difatSectors.size(), 1u);
  // The DIFAT's next link pointing back at itself, with its free slots filled
  // and more FAT sectors claimed, so that the reader must follow the link.
  Written w = base;
  const std::size_t difat = w.sectorOffset(w.difatSectors.back());
  for (std::size_t k = 0; k < 127; ++k) w.put32(difat + 4 * k, w.fatSectors[k % 100]);
  w.put32(difat + 508, w.difatSectors.back());
  w.put32(44, std::uint32_t(w.fatSectors.size() + 200));
  EXPECT_EQ(OpenStatus(w.bytes), Status::kCorrupt);
  // A DIFAT chain that ends early shortens the FAT: opening works, the stream
  // that needs the missing part fails.
  w = base;
  w.put32(68, kEnd);
  Status s;
  auto f = OpenBytes(w.bytes, &s);
  ASSERT_TRUE(f) << platform::cfb::StatusName(s);
  std::vector<std::uint8_t> data;
  EntryId id;
  ASSERT_EQ(f->find(kRootEntry, u"Big", &id), Status::kOk);
  EXPECT_EQ(f->readStream(id, &data), Status::kCorrupt);
}

TEST(Damage, FatChainFaultsFailTheStream) {
  const Written base = Write(TwoStreams());
  const auto big = ChainOf(base, base.entries[base.entryIndex(u"Big")].start);
  ASSERT_EQ(big.size(), 20u);
  struct Case {
    const char* what;
    std::uint32_t at, next;
    Status expect;
  };
  const std::uint32_t pastEnd = std::uint32_t(base.bytes.size() / 512 + 3);
  ASSERT_LT(pastEnd, base.fat.size());  // covered by the FAT, absent from the data
  const Case cases[] = {
      {"loop", big[12], big[4], Status::kCorrupt},
      {"self loop", big[0], big[0], Status::kCorrupt},
      {"beyond the FAT", big[3], 0x00FFFFFF, Status::kCorrupt},
      {"reserved id", big[3], 0xFFFFFFFDu, Status::kCorrupt},
      {"ends early", big[10], kEnd, Status::kCorrupt},
      {"past the data", big[7], pastEnd, Status::kTruncated},
  };
  for (const Case& c : cases) {
    Written w = base;
    w.setFat(c.at, c.next);
    EXPECT_EQ(ReadStatus(w, u"Big"), c.expect) << c.what;
    EXPECT_EQ(ReadStatus(w, u"Small"), Status::kOk) << c.what;  // others unaffected
  }
}

TEST(Damage, StreamSizesPastTheEnd) {
  const Written base = Write(TwoStreams());
  for (std::uint32_t size : {20u * 512 + 1, 100000000u, 0xFFFFFFF0u}) {
    Written w = base;
    w.put32(w.dirEntryOffset(w.entryIndex(u"Big")) + 120, size);
    EXPECT_EQ(ReadStatus(w, u"Big"), Status::kCorrupt) << size;
  }
  // A small stream whose size needs more mini sectors than its chain has.
  Written w = base;
  w.put32(w.dirEntryOffset(w.entryIndex(u"Small")) + 120, 4000);
  EXPECT_EQ(ReadStatus(w, u"Small"), Status::kCorrupt);
  EXPECT_EQ(ReadStatus(w, u"Big"), Status::kOk);
}

TEST(Damage, DirectoryChainAndTreeFaults) {
  std::vector<Node> many;
  for (int i = 0; i < 20; ++i) many.push_back(Stream(u"s" + std::u16string(1, u'a' + i), {}));
  many.push_back(Storage(u"Sub", {Stream(u"Inner", Pattern(6000, 3))}));
  const Written base = Write(Storage(u"", many));
  ASSERT_GE(base.dirSectors.size(), 2u);
  // Directory chain loops back on itself: the file cannot be opened.
  Written w = base;
  w.setFat(base.dirSectors.back(), base.dirSectors.front());
  EXPECT_EQ(OpenStatus(w.bytes), Status::kCorrupt);
  w = base;
  w.put32(48, 0x00FFFFFF);
  EXPECT_EQ(OpenStatus(w.bytes), Status::kCorrupt);
  // A root that is not a storage.
  w = base;
  w.bytes[w.dirEntryOffset(0) + 66] = 2;
  EXPECT_EQ(OpenStatus(w.bytes), Status::kCorrupt);

  // Tree faults under the root fail look-ups there, not in the sub-storage.
  const std::uint32_t sub = base.entryIndex(u"Sub");
  const std::uint32_t inner = base.entryIndex(u"Inner");
  const std::uint32_t some = base.entryIndex(u"sc");
  struct Case {
    const char* what;
    std::uint32_t entry, field, value;
  };
  const Case cases[] = {
      {"left points to itself", some, 68, some},
      {"child points to the root", inner, 68, 0},
      {"sibling shared with a sub-storage", sub, 76, some},
  };
  for (const Case& c : cases) {
    w = base;
    w.put32(w.dirEntryOffset(c.entry) + c.field, c.value);
    Status s;
    auto f = OpenBytes(w.bytes, &s);
    ASSERT_TRUE(f) << c.what;
    std::vector<EntryId> kids;
    EntryId id;
    if (c.entry == inner) {
      // The damage is inside "Sub": the root is fine, "Sub" is not.
      ASSERT_EQ(f->find(kRootEntry, u"Sub", &id), Status::kOk) << c.what;
      EXPECT_EQ(f->find(id, u"Inner", &id), Status::kCorrupt) << c.what;
    } else if (c.entry == sub) {
      // "Sub" claims a root child as its own: whichever tree is walked second fails.
      const bool rootOk = f->children(kRootEntry, &kids) == Status::kOk;
      const bool subOk = rootOk && f->find(kRootEntry, u"Sub", &id) == Status::kOk &&
                         f->children(id, &kids) == Status::kOk;
      EXPECT_FALSE(rootOk && subOk) << c.what;
    } else {
      EXPECT_EQ(f->children(kRootEntry, &kids), Status::kCorrupt) << c.what;
      EXPECT_EQ(f->find(kRootEntry, u"Sub", &id), Status::kCorrupt) << c.what;
    }
  }
}

TEST(Damage, TreeLinksToNothingAreDropped) {
  std::vector<Node> many;
  for (int i = 0; i < 7; ++i) many.push_back(Stream(u"s" + std::u16string(1, u'a' + i), {}));
  const Written base = Write(Storage(u"", many));
  // The balanced tree of 7: "sd" at the top, "sb" and "sf" below it.
  const std::uint32_t sb = base.entryIndex(u"sb"), sf = base.entryIndex(u"sf");
  for (std::uint32_t bad : {5000u, 0x7FFFFFFFu, std::uint32_t(base.entries.size())}) {
    Written w = base;
    w.put32(w.dirEntryOffset(sb) + 72, bad);  // drops "sc"
    w.put32(w.dirEntryOffset(sf) + 68, bad);  // drops "se"
    Status s;
    auto f = OpenBytes(w.bytes, &s);
    ASSERT_TRUE(f);
    std::vector<EntryId> kids;
    ASSERT_EQ(f->children(kRootEntry, &kids), Status::kOk) << bad;
    std::u16string names;
    for (EntryId id : kids) names += f->entry(id)->name;
    EXPECT_EQ(names, u"sasbsdsfsg") << bad;
  }
}

TEST(Damage, MiniStreamFaultsFailOnlySmallStreams) {
  const Written base = Write(TwoStreams());
  // Mini FAT loop.
  Written w = base;
  const std::uint32_t small = w.entries[w.entryIndex(u"Small")].start;
  w.put32(w.sectorOffset(w.miniFatSectors[0]) + 4 * (small + 2), small);
  EXPECT_EQ(ReadStatus(w, u"Small"), Status::kCorrupt);
  EXPECT_EQ(ReadStatus(w, u"Big"), Status::kOk);
  // Mini FAT chain start beyond the FAT.
  w = base;
  w.put32(60, 0x00FFFFFF);
  EXPECT_EQ(ReadStatus(w, u"Small"), Status::kCorrupt);
  EXPECT_EQ(ReadStatus(w, u"Inner", 1), Status::kOk);
  // Mini sector beyond the mini stream.
  w = base;
  w.put32(w.dirEntryOffset(w.entryIndex(u"Small")) + 116, 4000);
  EXPECT_EQ(ReadStatus(w, u"Small"), Status::kCorrupt);
  // The root's chain broken before the mini stream's size is covered (its
  // tail past that size may be damaged: see below).
  const Written wide =
      Write(Storage(u"", {Stream(u"Big", Pattern(5000, 1)), Stream(u"Small", Pattern(3000, 2))}));
  ASSERT_GE(ChainOf(wide, wide.entries[0].start).size(), 6u);
  w = wide;
  w.setFat(w.entries[0].start, 0x00FFFFFF);
  EXPECT_EQ(ReadStatus(w, u"Small"), Status::kCorrupt);
  EXPECT_EQ(ReadStatus(w, u"Big"), Status::kOk);
  w = wide;
  const auto rootChain = ChainOf(wide, wide.entries[0].start);
  w.setFat(rootChain.back(), rootChain.front());  // a loop after the last needed sector
  EXPECT_EQ(ReadStatus(w, u"Small"), Status::kOk);
}

TEST(Damage, EveryTruncationOpensOrFailsCleanly) {
  for (unsigned major : {3u, 4u}) {
    const Written w = Write(TwoStreams(), {major, true});
    const std::size_t step = major == 4 ? 509 : 61;
    std::size_t opened = 0, refused = 0;
    for (std::size_t len = 0; len <= w.bytes.size(); len += step) {
      Status s;
      auto f = OpenBytes({w.bytes.begin(), w.bytes.begin() + len}, &s);
      if (!f) {
        ++refused;
        EXPECT_NE(s, Status::kOk);
        continue;
      }
      ++opened;
      ReadEverything(*f);
    }
    EXPECT_GT(opened, 0u);
    EXPECT_GT(refused, 0u);
  }
}

TEST(Damage, RandomByteFlipsNeverMisbehave) {
  const Written w = Write(TwoStreams(), {3, true});
  std::uint32_t x = 12345;
  auto rnd = [&x] {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
  };
  std::size_t opened = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::uint8_t> b = w.bytes;
    const int flips = 1 + int(rnd() % 8);
    for (int k = 0; k < flips; ++k) {
      // Favour the header and the metadata sectors, where damage matters.
      const std::size_t at = (rnd() & 1) ? rnd() % 512 : rnd() % b.size();
      b[at] = std::uint8_t(rnd());
    }
    Status s;
    auto f = OpenBytes(std::move(b), &s);
    if (f) {
      ++opened;
      ReadEverything(*f);
    }
  }
  EXPECT_GT(opened, 0u);
}

}  // namespace
}  // namespace cfbtest
