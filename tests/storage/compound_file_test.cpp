#include "platform/storage/compound_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "platform/storage/entry_name.h"
#include "test_support.h"

namespace cfbtest {

std::size_t ReadEverything(const CompoundFile& file) {
  std::size_t ok = 0;
  std::vector<EntryId> todo{platform::cfb::kRootEntry};
  for (std::size_t k = 0; k < todo.size(); ++k) {
    std::vector<EntryId> kids;
    if (file.children(todo[k], &kids) != Status::kOk) continue;
    for (EntryId id : kids) {
      if (file.entry(id)->isStorage()) {
        todo.push_back(id);
        continue;
      }
      std::vector<std::uint8_t> data;
      if (file.readStream(id, &data) == Status::kOk) {
        EXPECT_EQ(data.size(), file.entry(id)->size);
        ++ok;
      }
    }
  }
  return ok;
}

namespace {

using platform::cfb::kRootEntry;

// A document-like tree: big and small streams, the 4096-byte boundary on both
// sides, an empty stream and nested storages.
Node SampleTree() {
  return Storage(
      u"", {
               Stream(u"WordDocument", Pattern(50000, 1)),
               Stream(u"1Table", Pattern(5000, 2)),
               Stream(u"\x05SummaryInformation", Pattern(100, 3)),
               Stream(u"Exact4096", Pattern(4096, 4)),
               Stream(u"Below4096", Pattern(4095, 5)),
               Stream(u"Empty", {}),
               Storage(u"ObjectPool", {Storage(u"_1234", {Stream(u"\x01"
                                                                 u"CompObj",
                                                                 Pattern(76, 6)),
                                                          Stream(u"Data", Pattern(10000, 7))}),
                                       Storage(u"_5678", {})}),
           });
}

// Every stream of `node` at `storage`, compared byte for byte, recursively.
void ExpectSameTree(const CompoundFile& f, EntryId storage, const Node& node) {
  std::vector<EntryId> kids;
  ASSERT_EQ(f.children(storage, &kids), Status::kOk);
  ASSERT_EQ(kids.size(), node.children.size());
  for (const Node& child : node.children) {
    EntryId id = platform::cfb::kNoEntry;
    ASSERT_EQ(f.find(storage, child.name, &id), Status::kOk);
    const auto* e = f.entry(id);
    ASSERT_EQ(e->isStorage(), child.storage);
    if (child.storage) {
      ExpectSameTree(f, id, child);
    } else {
      std::vector<std::uint8_t> data;
      ASSERT_EQ(f.readStream(id, &data), Status::kOk);
      EXPECT_TRUE(data == child.data) << "stream differs";
    }
  }
}

struct Layout {
  unsigned major;
  bool scatter;
};

class RoundTrip : public ::testing::TestWithParam<Layout> {};

TEST_P(RoundTrip, StreamsAndStoragesReadBackExactly) {
  const Node tree = SampleTree();
  const Written w = Write(tree, {GetParam().major, GetParam().scatter});
  Status s;
  auto f = CompoundFile::OpenMemory(w.bytes.data(), w.bytes.size(), &s);
  ASSERT_TRUE(f) << platform::cfb::StatusName(s);
  EXPECT_EQ(f->majorVersion(), GetParam().major);
  EXPECT_EQ(f->sectorSize(), GetParam().major == 4 ? 4096u : 512u);
  ExpectSameTree(*f, kRootEntry, tree);
}

TEST_P(RoundTrip, RangeReadsMatchAcrossSectorBoundaries) {
  const Node tree = SampleTree();
  const Written w = Write(tree, {GetParam().major, GetParam().scatter});
  Status s;
  auto f = OpenBytes(w.bytes, &s);
  ASSERT_TRUE(f);
  for (const Node* n : {&tree.children[0], &tree.children[2], &tree.children[4]}) {
    platform::cfb::StreamReader r;
    ASSERT_EQ(f->openStream(kRootEntry, n->name, &r), Status::kOk);
    ASSERT_EQ(r.size(), n->data.size());
    const std::size_t size = n->data.size();
    for (std::size_t off : {std::size_t(0), std::size_t(1), std::size_t(63), std::size_t(511),
                            size / 3, size - 1, size, size + 10}) {
      for (std::size_t len : {std::size_t(1), std::size_t(65), std::size_t(700), size}) {
        std::vector<std::uint8_t> buf(len, 0xAB);
        std::size_t done = 99;
        ASSERT_EQ(r.read(off, buf.data(), len, &done), Status::kOk);
        const std::size_t expect = off >= size ? 0 : std::min(len, size - off);
        ASSERT_EQ(done, expect) << off << "+" << len;
        EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + done, n->data.begin() + off));
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, RoundTrip,
                         ::testing::Values(Layout{3, false}, Layout{3, true}, Layout{4, false},
                                           Layout{4, true}));

TEST(CompoundFile, DifatBeyondTheHeadersFatSectors) {
  // 7.5 MB in 512-byte sectors needs more than 109 FAT sectors.
  const Node tree =
      Storage(u"", {Stream(u"Big", Pattern(7500000, 9)), Stream(u"small", Pattern(300, 10))});
  for (bool scatter : {false, true}) {
    const Written w = Write(tree, {3, scatter});
    ASSERT_GT(w.fatSectors.size(), 109u);
    ASSERT_FALSE(w.difatSectors.empty());
    Status s;
    auto f = OpenBytes(w.bytes, &s);
    ASSERT_TRUE(f) << platform::cfb::StatusName(s);
    ExpectSameTree(*f, kRootEntry, tree);
  }
  // Version 4: a FAT padded past 109 sectors (they describe space past the end).
  const Node small = Storage(u"", {Stream(u"A", Pattern(9000, 11)), Stream(u"b", Pattern(10, 12))});
  Options o;
  o.major = 4;
  o.extraFatSectors = 120;
  const Written w4 = Write(small, o);
  ASSERT_GE(w4.difatSectors.size(), 1u);
  Status s;
  auto f = OpenBytes(w4.bytes, &s);
  ASSERT_TRUE(f) << platform::cfb::StatusName(s);
  ExpectSameTree(*f, kRootEntry, small);
}

TEST(CompoundFile, ManyEntriesOrderedOrNot) {
  std::vector<Node> streams;
  for (int i = 0; i < 1200; ++i) {
    char16_t name[16];
    for (int k = 0; k < 5; ++k) name[k] = char16_t(u'a' + (i * 7 + k * 3) % 26);
    name[5] = char16_t(u'0' + i % 10);
    name[6] = char16_t(u'0' + (i / 10) % 10);
    name[7] = char16_t(u'0' + (i / 100) % 10);
    name[8] = char16_t(u'0' + (i / 1000) % 10);
    streams.push_back(Stream(std::u16string(name, 9), Pattern(std::size_t(i % 300), i)));
  }
  const Node tree = Storage(u"", std::move(streams));
  for (bool unordered : {false, true}) {
    Options o;
    o.unorderedTree = unordered;
    const Written w = Write(tree, o);
    Status s;
    auto f = OpenBytes(w.bytes, &s);
    ASSERT_TRUE(f) << platform::cfb::StatusName(s);
    ExpectSameTree(*f, kRootEntry, tree);
    if (!unordered) {
      // Enumeration follows the tree: length, then upper-cased name order.
      std::vector<EntryId> kids;
      ASSERT_EQ(f->children(kRootEntry, &kids), Status::kOk);
      for (std::size_t k = 1; k < kids.size(); ++k)
        EXPECT_LT(platform::cfb::CompareNames(f->entry(kids[k - 1])->name, f->entry(kids[k])->name),
                  0);
    }
  }
}

TEST(CompoundFile, LookUpIgnoresCase) {
  const Node tree = Storage(u"", {
                                     Stream(u"worddocument", Pattern(5000, 1)),
                                     Stream(u"\u00C9b\u00E8ne", Pattern(10, 2)),
                                     Stream(u"\u0414\u043E\u043A", Pattern(10, 3)),
                                     Storage(u"objectpool", {Stream(u"x", Pattern(5, 4))}),
                                 });
  const Written w = Write(tree);
  Status s;
  auto f = OpenBytes(w.bytes, &s);
  ASSERT_TRUE(f);
  EntryId id;
  EXPECT_EQ(f->find(kRootEntry, u"WordDocument", &id), Status::kOk);
  EXPECT_EQ(f->entry(id)->name, u"worddocument");
  EXPECT_EQ(f->find(kRootEntry, u"WORDDOCUMENT", &id), Status::kOk);
  EXPECT_EQ(f->find(kRootEntry, u"\u00E9B\u00C8NE", &id), Status::kOk);
  EXPECT_EQ(f->find(kRootEntry, u"\u0434\u041E\u041A", &id), Status::kOk);
  EXPECT_EQ(f->find(kRootEntry, u"ObjectPool", &id), Status::kOk);
  EXPECT_EQ(f->find(id, u"X", &id), Status::kOk);
  // Near misses stay misses.
  EXPECT_EQ(f->find(kRootEntry, u"WordDocumen", &id), Status::kNotFound);
  EXPECT_EQ(f->find(kRootEntry, u"WordDocument2", &id), Status::kNotFound);
  EXPECT_EQ(f->find(kRootEntry, u"Ebene", &id), Status::kNotFound);
  // Type mismatches.
  platform::cfb::StreamReader r;
  EXPECT_EQ(f->openStream(kRootEntry, u"OBJECTPOOL", &r), Status::kWrongType);
  ASSERT_EQ(f->find(kRootEntry, u"worddocument", &id), Status::kOk);
  std::vector<EntryId> kids;
  EXPECT_EQ(f->children(id, &kids), Status::kWrongType);
}

TEST(EntryNames, UpperCasingCoversCasedScripts) {
  using platform::cfb::NamesEqual;
  const std::pair<const char16_t*, const char16_t*> same[] = {
      {u"abcxyz", u"ABCXYZ"},
      {u"\u00E0\u00FE", u"\u00C0\u00DE"},
      {u"\u00FF", u"\u0178"},
      {u"\u0101\u0107", u"\u0100\u0106"},
      {u"\u013A\u017E", u"\u0139\u017D"},
      {u"\u03B1\u03C9\u03C2", u"\u0391\u03A9\u03A3"},
      {u"\u0430\u044F\u0451", u"\u0410\u042F\u0401"},
      {u"\uFF41", u"\uFF21"},
  };
  for (const auto& p : same) EXPECT_TRUE(NamesEqual(p.first, p.second)) << int(p.first[0]);
  const std::pair<const char16_t*, const char16_t*> differ[] = {
      {u"a", u"b"},    {u"\u00F7", u"\u00D7"}, {u"\u00E9", u"E"},
      {u"ab", u"abc"}, {u"\u4E2D", u"\u4E2E"},
  };
  for (const auto& p : differ) EXPECT_FALSE(NamesEqual(p.first, p.second)) << int(p.first[0]);
}

TEST(CompoundFile, LastSectorCutShortReadsAsZeros) {
  // Regular streams are written last, so the last one ends the file.
  const auto data = Pattern(4096 + 700, 21);
  const Written w = Write(Storage(u"", {Stream(u"S", data)}));
  ASSERT_EQ(w.bytes.size() % 512, 0u);
  const std::size_t lastSector = w.bytes.size() - 512;
  std::vector<std::uint8_t> cut(w.bytes.begin(), w.bytes.begin() + lastSector + 100);
  Status s;
  auto f = OpenBytes(cut, &s);
  ASSERT_TRUE(f) << platform::cfb::StatusName(s);
  std::vector<std::uint8_t> got;
  EntryId id;
  ASSERT_EQ(f->find(kRootEntry, u"S", &id), Status::kOk);
  ASSERT_EQ(f->readStream(id, &got), Status::kOk);
  ASSERT_EQ(got.size(), data.size());
  const std::size_t kept = data.size() / 512 * 512 + 100;  // its last sector keeps 100 bytes
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + kept, data.begin()));
  EXPECT_TRUE(std::all_of(got.begin() + kept, got.end(), [](std::uint8_t b) { return b == 0; }));
  // The whole last sector gone: the stream cannot be read, the file still opens.
  cut.resize(lastSector);
  f = OpenBytes(cut, &s);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->readStream(id, &got), Status::kTruncated);
}

TEST(CompoundFile, VersionThreeIgnoresHighHalfOfSize) {
  const auto data = Pattern(5000, 31);
  Written w = Write(Storage(u"", {Stream(u"S", data)}));
  w.put32(w.dirEntryOffset(w.entryIndex(u"S")) + 124, 0xDEADBEEF);
  Status s;
  auto f = OpenBytes(w.bytes, &s);
  ASSERT_TRUE(f);
  EntryId id;
  ASSERT_EQ(f->find(kRootEntry, u"S", &id), Status::kOk);
  std::vector<std::uint8_t> got;
  ASSERT_EQ(f->readStream(id, &got), Status::kOk);
  EXPECT_TRUE(got == data);
}

TEST(CompoundFile, EntryFieldsComeFromTheirPlaces) {
  // Distinct values in every field an entry describes itself with, so that a
  // field read from its neighbour's place shows.
  for (unsigned major : {3u, 4u}) {
    Node stream = Stream(u"S", Pattern(5000, 41));
    for (std::uint8_t i = 0; i < 16; ++i) stream.clsid[i] = static_cast<std::uint8_t>(0xA0 + i);
    Options options;
    options.major = major;
    Written w = Write(Storage(u"", {stream}), options);
    const std::size_t at = w.dirEntryOffset(w.entryIndex(u"S"));
    w.put32(at + 96, 0x11223344);   // state bits
    w.put32(at + 100, 0x55667788);  // creation time
    w.put32(at + 104, 0x01D2A3B4);
    w.put32(at + 108, 0x99AABBCC);  // modification time
    w.put32(at + 112, 0x01D5C6D7);
    Status s;
    auto f = OpenBytes(w.bytes, &s);
    ASSERT_TRUE(f) << platform::cfb::StatusName(s);
    EntryId id;
    ASSERT_EQ(f->find(kRootEntry, u"S", &id), Status::kOk);
    const platform::cfb::DirEntry& e = *f->entry(id);
    EXPECT_EQ(e.name, u"S");
    EXPECT_TRUE(e.isStream());
    EXPECT_EQ(e.size, 5000u);
    EXPECT_EQ(e.start, w.entries[id].start);
    EXPECT_EQ(e.clsid, stream.clsid);
    EXPECT_EQ(e.stateBits, 0x11223344u);
    EXPECT_EQ(e.createTime, 0x01D2A3B455667788u);
    EXPECT_EQ(e.modifyTime, 0x01D5C6D799AABBCCu);
  }
}

}  // namespace
}  // namespace cfbtest
