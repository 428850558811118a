// The file information block, the piece table and damaged structures.
#include <gtest/gtest.h>

#include "tests/wordfilt/test_support.h"
#include "wordfilt/doc/compound_streams.h"

namespace wordtest {
namespace {

using wordfilt::LoadStatus;

Bytes Clx(const std::vector<std::uint32_t>& cps, const std::vector<std::uint32_t>& fcs) {
  Bytes clx = {2};
  Put32(clx, static_cast<std::uint32_t>(4 * cps.size() + 8 * fcs.size()));
  for (std::uint32_t cp : cps) Put32(clx, cp);
  for (std::uint32_t fc : fcs) {
    Put16(clx, 0);
    Put32(clx, fc);
    Put16(clx, 0);
  }
  return clx;
}

// The text of the builder's documents starts at 0x400; 8-bit pieces store
// twice the offset with bit 30 set.
constexpr std::uint32_t kCompressedAt0x400 = 0x800 | 0x40000000u;

LoadStatus StatusOfStream(const Bytes& wordDocument) {
  wordfilt::MemoryStreams streams;
  streams.Add(u"WordDocument", wordDocument);
  wordfilt::DocumentText out;
  return wordfilt::ExtractText(streams, out);
}

TEST(FileInformation, DataThatIsNotWordIsRefused) {
  const std::string text = "Just some plain text that happens to sit in the stream.\n";
  EXPECT_EQ(StatusOfStream(Bytes(text.begin(), text.end())), LoadStatus::kNotWord);
  EXPECT_EQ(StatusOfStream(Bytes{0xEC}), LoadStatus::kNotWord);
  Bytes dosWord(600, 0);
  dosWord[0] = 0x31;  // Word for DOS
  dosWord[1] = 0xBE;
  EXPECT_EQ(StatusOfStream(dosWord), LoadStatus::kNotWord);

  wordfilt::MemoryStreams noDocument;
  noDocument.Add(u"Workbook", Bytes(4096, 0));
  wordfilt::DocumentText out;
  EXPECT_EQ(wordfilt::ExtractText(noDocument, out), LoadStatus::kNotWord);
  EXPECT_TRUE(out.text.empty());
}

TEST(FileInformation, FilesThatAreNoCompoundFileOrABrokenOne) {
  wordfilt::DocumentText out;
  const std::string rtf = "{\\rtf1\\ansi Hello}";
  const Bytes rtfBytes(rtf.begin(), rtf.end());
  EXPECT_EQ(wordfilt::ExtractFromBytes(rtfBytes.data(), rtfBytes.size(), out),
            LoadStatus::kNotWord);
  // The compound-file signature with nothing usable behind it.
  Bytes broken = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  broken.resize(700, 0xFF);
  EXPECT_EQ(wordfilt::ExtractFromBytes(broken.data(), broken.size(), out), LoadStatus::kDamaged);
  EXPECT_EQ(wordfilt::ExtractFromBytes(nullptr, 0, out), LoadStatus::kNotWord);
}

TEST(FileInformation, Word2FilesAreReadFromThePlainFile) {
  const std::string text = "Word two\r\ntext \x93quoted\x94\r\n";
  Bytes file(0x180, 0);
  file[0] = 0xDB;
  file[1] = 0xA5;
  file[2] = 45;  // nFib
  file.insert(file.end(), text.begin(), text.end());
  const auto set32 = [&file](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  set32(0x18, 0x180);
  set32(0x1C, static_cast<std::uint32_t>(file.size()));
  set32(0x34, static_cast<std::uint32_t>(text.size()));
  wordfilt::DocumentText out;
  ASSERT_EQ(wordfilt::ExtractFromBytes(file.data(), file.size(), out), LoadStatus::kOk);
  EXPECT_EQ(out.text, u"Word two\ntext \u201Cquoted\u201D\n");
}

// A fast-saved Word 2 file appends edits to the file and orders its text
// through a piece table whose size is a 16-bit count.
TEST(FileInformation, FastSavedWord2FilesFollowTheirPieceTable) {
  const std::string stored = "tail\r\x93head\x94 ";  // the edit came later in the file
  Bytes file(0x180, 0);
  file[0] = 0xDB;
  file[1] = 0xA5;
  file[2] = 45;
  file[0x0A] = 0x04;  // fast-saved
  file.insert(file.end(), stored.begin(), stored.end());
  const auto put = [&file](std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put(0x18, 0x180, 4);
  put(0x1C, static_cast<std::uint32_t>(file.size()), 4);
  put(0x34, 12, 4);  // ccpText: "\x93head\x94 " then "tail\r"
  const std::size_t clx = file.size();
  // A property list the reader must step over, then the pieces: CPs 0, 7, 12
  // and two descriptors (flags, fc, property modifier).
  const std::uint8_t head[] = {1, 2, 0, 0x41, 0x01, 2, 4 * 3 + 8 * 2, 0};
  file.insert(file.end(), std::begin(head), std::end(head));
  file.resize(file.size() + 4 * 3 + 8 * 2, 0);
  const std::size_t plc = clx + sizeof head;
  put(plc + 4, 7, 4);
  put(plc + 8, 12, 4);
  put(plc + 12 + 2, 0x180 + 5, 4);
  // Read with Word 6's numbers this modifier (92, operand 1) would hide the piece.
  put(plc + 12 + 6, 92 << 1 | 1 << 8, 2);
  put(plc + 20 + 2, 0x180, 4);
  put(0x11E, static_cast<std::uint32_t>(clx), 4);
  put(0x122, static_cast<std::uint32_t>(file.size() - clx), 2);
  wordfilt::DocumentText out;
  ASSERT_EQ(wordfilt::ExtractFromBytes(file.data(), file.size(), out), LoadStatus::kOk);
  EXPECT_EQ(out.text, u"\u201Chead\u201D tail\n");
  // The piece table cut short is a damaged file, not the stored order.
  put(0x122, 6, 2);
  EXPECT_EQ(wordfilt::ExtractFromBytes(file.data(), file.size(), out), LoadStatus::kDamaged);
}

TEST(FileInformation, CutShortBlockIsDamaged) {
  Bytes doc, table;
  DocBuilder().Piece(u"Text\r", true).BuildStreams(doc, table);
  doc.resize(24);
  EXPECT_EQ(StatusOfStream(doc), LoadStatus::kDamaged);
  // The story lengths lie past the end of a 100-byte stream.
  DocBuilder().Piece(u"Text\r", true).BuildStreams(doc, table);
  doc.resize(100);
  EXPECT_EQ(StatusOfStream(doc), LoadStatus::kDamaged);
}

TEST(FileInformation, EncryptedAndObfuscatedFilesAskForAPassword) {
  LoadStatus status = LoadStatus::kOk;
  const auto encrypted = ExtractDoc(DocBuilder().Piece(u"Secret\r", true).Encrypted(true), &status);
  EXPECT_EQ(status, LoadStatus::kEncrypted);
  EXPECT_TRUE(encrypted.text.empty());
  ExtractDoc(DocBuilder().Piece(u"Secret\r", true).Obfuscated(true), &status);
  EXPECT_EQ(status, LoadStatus::kEncrypted);
}

TEST(FileInformation, TableStreamFollowsTheFlagAndNamesIgnoreCase) {
  EXPECT_EQ(TextOf(DocBuilder().Piece(u"Zero table\r", true).UseTable0()), u"Zero table\n");
  EXPECT_EQ(TextOf(DocBuilder().Piece(u"One table\r", true)), u"One table\n");
  EXPECT_EQ(TextOf(DocBuilder().Piece(u"Shouting\r", true).NameCase(true)), u"Shouting\n");
}

TEST(PieceTable, CompressedPiecesAreWindows1252) {
  const std::u16string bytes = {0x80, u' ', 0x93, u'q', 0x94, u' ', 0xE9, 0x9F, 0x85, 0xA0, u'\r'};
  EXPECT_EQ(TextOf(DocBuilder().Piece(bytes, true)),
            u"\u20AC \u201Cq\u201D \u00E9\u0178\u2026\u00A0\n");
}

TEST(PieceTable, PiecesOfBothKindsInFastSavedOrder) {
  DocBuilder b;
  b.Piece(u"Hello ", true)
      .Piece(u"\u041F\u0440\u0438\u0432\u0435\u0442 \u65E5\u672C ", false)
      .Piece(u"world\r", true);
  const std::u16string expected =
      u"Hello \u041F\u0440\u0438\u0432\u0435\u0442 \u65E5\u672C world\n";
  EXPECT_EQ(TextOf(b), expected);
  EXPECT_EQ(TextOf(b.ReversePieceOrder()), expected);
}

TEST(PieceTable, MainTextIsTheFirstCcpTextCharacters) {
  // Everything after ccpText belongs to other stories (here: none listed).
  EXPECT_EQ(TextOf(DocBuilder().Piece(u"Body\rRest\r", true).Stories(5, 0, 0)), u"Body\n");
}

TEST(PieceTable, PropertyListsBeforeThePieceTableAreSkipped) {
  const Bytes prcs = {1, 3, 0, 0x3C, 0x08, 1, 1, 0, 0};  // one sprm, then an empty list
  const Bytes clx = Cat({prcs, Clx({0, 10}, {kCompressedAt0x400})});
  EXPECT_EQ(TextOf(DocBuilder().Piece(u"Prc first\r", true).RawClx(clx)), u"Prc first\n");
}

TEST(PieceTable, WithoutClxTheTextComesFromTheFcRange) {
  EXPECT_EQ(TextOf(DocBuilder().Piece(u"No piece table\r", true).NoClx()), u"No piece table\n");
  EXPECT_EQ(TextOf(DocBuilder().Piece(u"\u0416 wide\r", false).NoClx()), u"\u0416 wide\n");
}

TEST(Damage, UnusablePieceTableOfFastSavedFileIsDamaged) {
  LoadStatus status = LoadStatus::kOk;
  ExtractDoc(DocBuilder().Piece(u"abc\r", true).ReversePieceOrder().RawClx({7, 1, 2, 3}), &status);
  EXPECT_EQ(status, LoadStatus::kDamaged);
  ExtractDoc(DocBuilder().Piece(u"abc\r", true).ReversePieceOrder().RawClx({2, 4, 0, 0, 0, 0}),
             &status);
  EXPECT_EQ(status, LoadStatus::kDamaged);
  // A file that was never fast-saved still has its text in one run.
  const auto fallback = ExtractDoc(DocBuilder().Piece(u"abc\r", true).RawClx({7}), &status);
  EXPECT_EQ(status, LoadStatus::kOk);
  EXPECT_EQ(fallback.text, u"abc\n");
  EXPECT_TRUE(fallback.truncated);
}

TEST(Damage, BrokenPiecesEndTheTextEarly) {
  // CPs that run backwards after the first piece: only that piece is read.
  auto t = ExtractDoc(DocBuilder()
                          .Piece(u"first second\r", true)
                          .RawClx(Clx({0, 6, 3, 13}, {kCompressedAt0x400, kCompressedAt0x400 + 12,
                                                      kCompressedAt0x400})));
  EXPECT_EQ(t.text, u"first \n");
  EXPECT_TRUE(t.truncated);
  // A piece that points past the end of the stream.
  t = ExtractDoc(DocBuilder()
                     .Piece(u"inside\r", true)
                     .Stories(20, 0, 0)
                     .RawClx(Clx({0, 7, 20}, {kCompressedAt0x400, 0x00F00000u})));
  EXPECT_EQ(t.text, u"inside\n");
  EXPECT_TRUE(t.truncated);
  // Story lengths far beyond the pieces.
  t = ExtractDoc(DocBuilder().Piece(u"short\r", true).Stories(0x7FFFFFFF, 0, 0));
  EXPECT_EQ(t.text, u"short\n");
  EXPECT_TRUE(t.truncated);
}

TEST(Damage, PiecesRepeatingTheSameBytesCannotInflateTheText) {
  // A million pieces over the same 64 KB would be 64 GB of text.
  std::vector<std::uint32_t> cps = {0};
  std::vector<std::uint32_t> fcs;
  for (int i = 0; i < 1000; ++i) {
    cps.push_back(cps.back() + 0x10000);
    fcs.push_back(kCompressedAt0x400);
  }
  const auto t = ExtractDoc(DocBuilder()
                                .Piece(std::u16string(0x10000, u'x'), true)
                                .Stories(0x7FFFFFFF, 0, 0)
                                .RawClx(Clx(cps, fcs)));
  EXPECT_TRUE(t.truncated);
  EXPECT_LT(t.text.size(), 0x20000u);
}

}  // namespace
}  // namespace wordtest
