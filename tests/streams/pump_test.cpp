#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/fpu.h"
#include "platform/text.h"
#include "streams/stream.h"
#include "tests/support/fake_filter.h"

namespace {

struct Pump {
  fake::Filter filter;
  std::unique_ptr<CFltStream> stream = std::make_unique<CFltStream>();
  FILTEREDSTREAMINFO info{};

  explicit Pump(LONG codePage = 1252) {
    info.cbSize = sizeof(info);
    stream->m_pFilter = &filter;
    stream->m_nCodePage = codePage;
  }
  ~Pump() { stream.reset(); }

  // One Read of at most cb bytes; the bytes delivered.
  std::string Read(DWORD cb) {
    std::string buf(cb, '\0');
    DWORD got = 0xDEADBEEF;
    EXPECT_EQ(stream->Read(&info, buf.data(), cb, &got), FLT_OK);
    EXPECT_LE(got, cb);
    buf.resize(got);
    return buf;
  }
  // Reads with buffers of cb bytes until a short read; the sizes of each read.
  std::string ReadAll(DWORD cb, std::vector<size_t>* sizes = nullptr) {
    std::string all;
    for (int guard = 0; guard < 1000000; ++guard) {
      std::string part = Read(cb);
      if (sizes) sizes->push_back(part.size());
      all += part;
      if (part.size() < cb) break;
    }
    return all;
  }
};

std::string Bytes(const std::u16string& text, UINT cp) {
  const WCHAR* wide = reinterpret_cast<const WCHAR*>(text.data());
  const int n =
      WideCharToMultiByte(cp, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(cp, 0, wide, static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string Utf16Bytes(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

}  // namespace

TEST(Pump, RefusesWithoutRecordOrFilterAndLeavesCountAlone) {
  CFltStream unbound;
  FILTEREDSTREAMINFO info{};
  char buf[8];
  DWORD got = 77;
  EXPECT_EQ(unbound.Read(&info, buf, sizeof(buf), &got), FLT_ERR_INVALID);
  EXPECT_EQ(got, 77u);
  EXPECT_EQ(unbound.Open(&info, nullptr), FLT_OK);  // the base binds nothing
  EXPECT_EQ(unbound.Read(&info, buf, sizeof(buf), &got), FLT_ERR_INVALID);

  Pump p;
  EXPECT_EQ(p.stream->Read(nullptr, buf, sizeof(buf), &got), FLT_ERR_INVALID);
  EXPECT_EQ(got, 77u);
  EXPECT_EQ(p.filter.getChunkCalls, 0);
}

TEST(Pump, ZeroCapacityTouchesNothing) {
  Pump p;
  p.filter.chunks.push_back(fake::TextChunk(u"0123456789"));
  EXPECT_EQ(p.Read(4), "0123");
  const int chunkCalls = p.filter.getChunkCalls, textCalls = p.filter.getTextCalls;
  char buf[1];
  DWORD got = 5;
  EXPECT_EQ(p.stream->Read(&p.info, buf, 0, &got), FLT_OK);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(p.stream->m_cbPending, 6u);
  EXPECT_EQ(p.filter.getChunkCalls, chunkCalls);
  EXPECT_EQ(p.filter.getTextCalls, textCalls);
  EXPECT_EQ(p.ReadAll(100), "456789");
}

TEST(Pump, NoTextChunksEndAtOnce) {
  Pump empty;
  EXPECT_EQ(empty.Read(16), "");
  EXPECT_EQ(empty.filter.getTextCalls, 0);

  Pump values;
  for (int i = 0; i < 3; ++i) {
    fake::Chunk c = fake::TextChunk(u"property");
    c.flags = CHUNK_VALUE;
    values.filter.chunks.push_back(c);
  }
  fake::Chunk mixed = fake::TextChunk(u"both");
  mixed.flags = static_cast<CHUNKSTATE>(CHUNK_TEXT | CHUNK_VALUE);
  values.filter.chunks.push_back(mixed);
  EXPECT_EQ(values.Read(16), "");
  EXPECT_EQ(values.filter.getTextCalls, 0);
  // Once ended, every call asks for a chunk again and delivers nothing.
  EXPECT_EQ(values.Read(16), "");
  EXPECT_EQ(values.filter.getChunkCalls, 6);
}

TEST(Pump, CarriesOverAcrossSmallHostBuffers) {
  {
    Pump p;
    p.filter.chunks.push_back(fake::TextChunk(u"0123456789"));
    std::vector<size_t> sizes;
    EXPECT_EQ(p.ReadAll(4, &sizes), "0123456789");
    EXPECT_EQ(sizes, (std::vector<size_t>{4, 4, 2}));
    EXPECT_EQ(p.Read(4), "");
  }
  // Several chunks and pieces, failed chunk requests in between, read through
  // buffers of 1 and 3 bytes: nothing lost, nothing inserted.
  for (DWORD cb : {1u, 3u, 4u, 7u}) {
    Pump p;
    p.filter.chunks.push_back(fake::TextChunk(u"first chunk. ", 0x0409, 5));
    fake::Chunk failed;
    failed.hr = E_FAIL;
    p.filter.chunks.push_back(failed);
    p.filter.chunks.push_back(fake::TextChunk(u"second", 0x0409, 4));
    p.filter.chunks.push_back(fake::TextChunk(u" and third", 0x0409, 3));
    EXPECT_EQ(p.ReadAll(cb), "first chunk. second and third") << cb;
  }
}

TEST(Pump, BufferOfExactlyOnePieceStaysInsideTheChunk) {
  Pump p;
  fake::Chunk c;
  c.pieces = {{u"abcd", S_OK}, {u"efgh", FILTER_S_LAST_TEXT}};
  p.filter.chunks.push_back(c);
  p.filter.chunks.push_back(fake::TextChunk(u"ij"));
  EXPECT_EQ(p.Read(4), "abcd");
  EXPECT_EQ(p.stream->m_cbPending, 0u);
  EXPECT_TRUE(p.stream->m_bInChunk);
  EXPECT_EQ(p.filter.getChunkCalls, 1);
  EXPECT_EQ(p.Read(4), "efgh");
  EXPECT_EQ(p.filter.getChunkCalls, 1);  // continued with GetText
  // The last piece filled the buffer: one more GetText, answered NO_MORE_TEXT.
  const int textCalls = p.filter.getTextCalls;
  EXPECT_EQ(p.Read(4), "ij");
  EXPECT_EQ(p.filter.getTextCalls, textCalls + 2);
  EXPECT_EQ(p.Read(4), "");
}

TEST(Pump, LastTextEndsTheChunkWithoutAnotherGetText) {
  Pump p;
  p.filter.chunks.push_back(fake::TextChunk(u"one"));
  p.filter.chunks.push_back(fake::TextChunk(u"two"));
  EXPECT_EQ(p.Read(100), "onetwo");
  EXPECT_EQ(p.filter.getTextCalls, 2);
  for (ULONG asked : p.filter.askedUnits) EXPECT_EQ(asked, 65534u);
}

TEST(Pump, NoMoreTextWithACountTakesNothing) {
  Pump p;
  fake::Chunk c;
  c.pieces = {{u"kept", S_OK}, {u"dropped", FILTER_E_NO_MORE_TEXT}};
  p.filter.chunks.push_back(c);
  EXPECT_EQ(p.ReadAll(64), "kept");
}

TEST(Pump, RawUtf16WithOddBuffers) {
  const std::u16string text = u"Grüße, мир, 日本語 \U0001F600!";
  for (DWORD cb : {1u, 3u, 5u, 4096u}) {
    Pump p(FLT_CP_UNICODE);
    p.filter.chunks.push_back(fake::TextChunk(text.substr(0, 7), 0x0407, 3));
    p.filter.chunks.push_back(fake::TextChunk(text.substr(7), 0x0419, 4));
    std::vector<size_t> sizes;
    EXPECT_EQ(p.ReadAll(cb, &sizes), Utf16Bytes(text)) << cb;
    for (size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], cb);
  }
}

TEST(Pump, DefaultModeConvertsEachChunkWithItsLocalesCodePage) {
  const std::u16string russian = u"Привет мир", greek = u"Καλημέρα κόσμε";
  const std::string expected = Bytes(russian, 1251) + Bytes(greek, 1253);
  ASSERT_FALSE(expected.empty());
  for (DWORD cb : {3u, 4096u}) {
    Pump p(FLT_CP_DEFAULT);
    p.filter.chunks.push_back(fake::TextChunk(russian, 0x0419));
    p.filter.chunks.push_back(fake::TextChunk(greek, 0x0408));
    EXPECT_EQ(p.ReadAll(cb), expected) << cb;
  }
  // A resumed chunk keeps its own code page instead of falling back to 1252.
  Pump p(FLT_CP_DEFAULT);
  p.filter.chunks.push_back(fake::TextChunk(russian, 0x0419));
  EXPECT_EQ(p.Read(2), Bytes(russian, 1251).substr(0, 2));
  EXPECT_EQ(p.stream->m_nChunkCodePage, 1251);
  EXPECT_EQ(p.ReadAll(4096), Bytes(russian, 1251).substr(2));
}

TEST(Pump, LocaleWithoutAnsiCodePageUsesTheSystemCodePage) {
  const std::u16string text = u"café";
  Pump p(FLT_CP_DEFAULT);
  p.filter.chunks.push_back(fake::TextChunk(text, 0x0439));  // Hindi: Unicode only
  EXPECT_EQ(p.ReadAll(64), Bytes(text, CP_ACP));

  Pump ansi(FLT_CP_ANSI);
  ansi.filter.chunks.push_back(fake::TextChunk(text, 0x0419));
  EXPECT_EQ(ansi.ReadAll(64), Bytes(text, GetACP()));
}

TEST(Pump, DoubleByteCharacterSplitAcrossHostBuffers) {
  const std::u16string text = u"aあいb";  // 1 + 2 + 2 + 1 bytes in code page 932
  const std::string sjis = Bytes(text, 932);
  ASSERT_EQ(sjis.size(), 6u);
  Pump p(932);
  p.filter.chunks.push_back(fake::TextChunk(text));
  EXPECT_EQ(p.Read(2), sjis.substr(0, 2));  // 'a' and the lead byte of あ
  EXPECT_EQ(p.Read(2), sjis.substr(2, 2));
  EXPECT_EQ(p.ReadAll(2), sjis.substr(4));
}

TEST(Pump, UnsupportedCodePageWalksTheDocumentAndDeliversNothing) {
  Pump p(12345);
  p.filter.chunks.push_back(fake::TextChunk(u"one"));
  p.filter.chunks.push_back(fake::TextChunk(u"two"));
  EXPECT_EQ(p.Read(64), "");
  EXPECT_EQ(p.filter.getChunkCalls, 3);
}

TEST(Pump, Utf8PiecesLargerThanTheOutputBufferLoseNothing) {
  // 65,534 three-byte characters, with a surrogate pair where a naive split
  // would cut it: far more than 131,072 bytes of UTF-8 from one piece.
  std::u16string text(65534, u'あ');
  text[43689] = 0xD83D;
  text[43690] = 0xDE00;
  Pump p(CP_UTF8);
  p.filter.chunks.push_back(fake::TextChunk(text));
  const std::string out = p.ReadAll(65536);
  EXPECT_EQ(out, Bytes(text, CP_UTF8));
  EXPECT_EQ(out.size(), 65532u * 3 + 4);
  EXPECT_EQ(p.filter.askedUnits.front(), 65534u);  // one full piece, converted in steps
}

TEST(Pump, FailingFilterEndsTheTextInsteadOfHanging) {
  // GetChunk fails forever.
  Pump chunks;
  chunks.filter.endResult = E_FAIL;
  EXPECT_EQ(chunks.Read(64), "");

  // GetText fails without touching its count: the unwritten buffer is not text.
  Pump text;
  fake::Chunk c;
  for (int i = 0; i < 5; ++i) c.pieces.push_back({u"junk", E_FAIL});
  text.filter.chunks.push_back(c);
  text.filter.chunks.push_back(fake::TextChunk(u"after"));
  EXPECT_EQ(text.ReadAll(64), "after");

  // GetText succeeds with nothing, forever, or claims more than it was asked.
  Pump empty;
  fake::Chunk e;
  for (int i = 0; i < 100; ++i) e.pieces.push_back({u"", S_OK});
  e.pieces.push_back({u"late", FILTER_S_LAST_TEXT});
  empty.filter.chunks.push_back(e);
  fake::Chunk liar;
  liar.pieces = {{u"lie", S_OK, 70000}, {u"never", FILTER_S_LAST_TEXT}};
  empty.filter.chunks.push_back(liar);
  empty.filter.chunks.push_back(fake::TextChunk(u"end"));
  EXPECT_EQ(empty.ReadAll(64), "end");
}

#if defined(__i386__) || defined(__x86_64__)
TEST(Pump, FloatingPointStateIsResetAfterFilterCalls) {
  const unsigned short saved = platform::X87ControlWord();
  Pump p;
  p.filter.spoilFpu = true;
  p.filter.chunks.push_back(fake::TextChunk(u"0123456789"));
  platform::X87LoadControlWord(0x027F);  // a host running with 53-bit precision
  EXPECT_EQ(p.Read(4), "0123");
  EXPECT_EQ(platform::X87ControlWord() & 0x1F3F, 0x033F);
  EXPECT_EQ(platform::X87StatusWord() & 0x3F, 0);
  // Served from pending bytes alone: the host's modes stay as they are.
  platform::X87LoadControlWord(0x027F);
  p.stream->m_bInChunk = TRUE;
  EXPECT_EQ(p.Read(2), "45");
  EXPECT_EQ(platform::X87ControlWord() & 0x1F3F, 0x023F);
  platform::X87LoadControlWord(saved);
}
#endif

TEST(Pump, DestructionSurvivesAFaultingReleaseAndFreesTheBlock) {
  fake::Filter filter;
  filter.throwInRelease = true;
  auto stream = std::make_unique<CFltStream>();
  stream->m_pFilter = &filter;
  stream->m_hMem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 1024);
  ASSERT_NE(stream->m_hMem, nullptr);
  stream.reset();  // a leak of the block would show under the sanitizers
  EXPECT_EQ(filter.releaseCalls, 1);
}
