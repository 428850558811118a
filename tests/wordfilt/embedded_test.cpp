// Word documents embedded as objects: their text follows the outer document's,
// in the order their fields anchor them, to a bounded depth, and a broken one
// never costs the outer document its text.
#include "wordfilt/doc/embedded.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/wordfilt/test_support.h"
#include "wordfilt/doc/memory_streams.h"

using namespace wordtest;
using wordfilt::DocumentText;
using wordfilt::MemoryStreams;

namespace {

std::u16string Ascii16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// The properties an object's field separator carries: an object, and its
// storage in the object pool.
Bytes ObjectProps(std::uint32_t id) { return Cat({Sprm(0x080A, 1, 1), Sprm(0x6A03, id, 4)}); }

// A paragraph "text" followed by an object field for storage `id`.
void AddObject(DocBuilder& b, const std::u16string& text, std::uint32_t id) {
  b.Piece(text + u" \x13 EMBED Word.Document.8 ", true)
      .Piece(u"\x14", true, ObjectProps(id))
      .Piece(u"\x01\x15\r", true);
}

// Adds the streams of `inner` below the object pool storage of `id`.
void AddStorage(MemoryStreams& streams, const std::u16string& prefix, const DocBuilder& inner) {
  Bytes doc, table;
  inner.BuildStreams(doc, table);
  streams.Add(prefix + u"WordDocument", doc);
  streams.Add(prefix + u"1Table", table);
}

std::u16string Pool(std::uint32_t id) {
  return u"ObjectPool/_" + Ascii16(std::to_string(id)) + u"/";
}

DocumentText Extract(MemoryStreams& streams, const wordfilt::ExtractOptions& options = {}) {
  DocumentText out;
  EXPECT_EQ(wordfilt::ExtractText(streams, out, options), wordfilt::LoadStatus::kOk);
  EXPECT_TRUE(ChunksTileText(out));
  return out;
}

DocBuilder Plain(const std::u16string& text) {
  DocBuilder b;
  b.Piece(text + u"\r", true);
  return b;
}

}  // namespace

TEST(Embedded, ObjectsFollowInTheOrderTheirFieldsComeEachOnce) {
  DocBuilder outer;
  AddObject(outer, u"First", 9);
  AddObject(outer, u"Second", 3);
  AddObject(outer, u"Again", 9);
  MemoryStreams streams = outer.Build();
  AddStorage(streams, Pool(3), Plain(u"Three"));
  AddStorage(streams, Pool(9), Plain(u"Nine"));
  const DocumentText out = Extract(streams);
  EXPECT_EQ(out.text, u"First \nSecond \nAgain \nNine\nThree\n");
  // Each embedded document starts a story of its own.
  ASSERT_GE(out.chunks.size(), 3u);
  EXPECT_EQ(out.chunks[out.chunks.size() - 2].breakType, wordfilt::kBreakChapter);
  EXPECT_EQ(out.chunks.back().breakType, wordfilt::kBreakChapter);

  wordfilt::ExtractOptions none;
  none.embeddedDepth = 0;
  EXPECT_EQ(Extract(streams, none).text, u"First \nSecond \nAgain \n");
  wordfilt::ExtractOptions mainOnly;
  mainOnly.mainTextOnly = true;
  EXPECT_EQ(Extract(streams, mainOnly).text, u"First \nSecond \nAgain \n");
}

TEST(Embedded, BrokenMissingAndForeignObjectsAreSkipped) {
  DocBuilder outer;
  AddObject(outer, u"Damaged", 1);
  AddObject(outer, u"Encrypted", 2);
  AddObject(outer, u"Missing", 3);
  AddObject(outer, u"Sheet", 4);
  AddObject(outer, u"Good", 5);
  MemoryStreams streams = outer.Build();
  streams.Add(Pool(1) + u"WordDocument", Bytes(600, 0xEE));
  DocBuilder encrypted = Plain(u"Secret");
  encrypted.Encrypted(true);
  AddStorage(streams, Pool(2), encrypted);
  streams.Add(Pool(4) + u"Workbook", Bytes(600, 0x09));
  AddStorage(streams, Pool(5), Plain(u"Fine"));
  EXPECT_EQ(Extract(streams).text, u"Damaged \nEncrypted \nMissing \nSheet \nGood \nFine\n");
}

TEST(Embedded, NestingStopsAtTheDepthAsked) {
  // Each level embeds the next: L1 holds L2, which holds L3, which holds L4.
  MemoryStreams streams;
  std::u16string prefix;
  for (int level = 0; level <= 4; ++level) {
    DocBuilder b;
    const std::u16string name = level == 0 ? u"Outer" : u"L" + Ascii16(std::to_string(level));
    if (level < 4) {
      AddObject(b, name, 7);
    } else {
      b.Piece(name + u"\r", true);
    }
    AddStorage(streams, prefix, b);
    prefix += Pool(7);
  }
  EXPECT_EQ(Extract(streams).text, u"Outer \nL1 \nL2 \nL3 \n");
  wordfilt::ExtractOptions one;
  one.embeddedDepth = 1;
  EXPECT_EQ(Extract(streams, one).text, u"Outer \nL1 \n");
}

TEST(Embedded, HiddenOrDeletedObjectsAreNotRead) {
  DocBuilder outer;
  outer.Piece(u"Kept \x13 EMBED Word.Document.8 ", true)
      .Piece(u"\x14", true, Cat({ObjectProps(6), Sprm(0x0800, 1, 1)}))  // deleted revision
      .Piece(u"\x01\x15\r", true);
  MemoryStreams streams = outer.Build();
  AddStorage(streams, Pool(6), Plain(u"Gone"));
  EXPECT_EQ(Extract(streams).text, u"Kept \n");
}

TEST(Embedded, PackageHoldsACompoundFileAfterItsNames) {
  const std::uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  Bytes file(signature, signature + 8);
  file.resize(1024, 0x5A);
  Bytes native;
  Put32(native, 0);  // total size (unchecked)
  Put16(native, 2);
  for (const char* s : {"Report.doc", "C:\\Temp\\Report.doc"}) {
    native.insert(native.end(), s, s + std::strlen(s) + 1);
  }
  Put32(native, 0x00030000);
  Put32(native, 4);
  native.insert(native.end(), {'a', 'b', 'c', 0});
  Put32(native, static_cast<std::uint32_t>(file.size()));
  const std::size_t at = native.size();
  native.insert(native.end(), file.begin(), file.end());
  native.insert(native.end(), {0, 0, 0, 0});  // what follows the file

  const wordfilt::ByteSpan found = wordfilt::PackagedCompoundFile(wordfilt::ByteSpan(native));
  EXPECT_EQ(found.data(), native.data() + at);
  EXPECT_EQ(found.size(), file.size());
  // A length past the end is cut to what is there; no signature, nothing.
  native[at - 1] = 0x7F;
  EXPECT_EQ(wordfilt::PackagedCompoundFile(wordfilt::ByteSpan(native)).size(), native.size() - at);
  Bytes text(2000, 'x');
  EXPECT_EQ(wordfilt::PackagedCompoundFile(wordfilt::ByteSpan(text)).size(), 0u);
}

TEST(Embedded, ADocumentFullOfObjectsIsReadForTheFirstOnes) {
  DocBuilder outer;
  MemoryStreams streams;
  for (std::uint32_t id = 1; id <= 20; ++id) AddObject(outer, u"O", id);
  streams = outer.Build();
  for (std::uint32_t id = 1; id <= 20; ++id) {
    AddStorage(streams, Pool(id), Plain(u"T" + Ascii16(std::to_string(id))));
  }
  const std::u16string text = Extract(streams).text;
  EXPECT_NE(text.find(u"\nT16\n"), std::u16string::npos);
  EXPECT_EQ(text.find(u"T17"), std::u16string::npos);
}
