// Records read from the file: whole, refused when cut short, or shortened by a
// count the file gives.
#include <gtest/gtest.h>

#include "platform/little_endian.h"
#include "tests/wordfilt/doc_builder.h"
#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/fib.h"
#include "wordfilt/doc/sections.h"

namespace wordtest {
namespace {

struct Sample {
  platform::Le16 a;
  platform::Le32 b;
  std::uint8_t c;
};
static_assert(sizeof(Sample) == 7, "no padding between the fields");

TEST(Records, ReadWholeOrNotAtAll) {
  const Bytes bytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0xF7, 0xAA};
  const wordfilt::ByteSpan span(bytes);
  Sample r;
  ASSERT_TRUE(span.Read(1, r));  // ends at the last byte
  EXPECT_EQ(r.a, 0x0302);
  EXPECT_EQ(r.b, 0xF7060504u);
  EXPECT_EQ(r.c, 0xAA);
  EXPECT_FALSE(span.Read(2, r));  // one byte past the end: refused, all 0
  EXPECT_EQ(r.a, 0);
  EXPECT_EQ(r.b, 0u);
  EXPECT_EQ(r.c, 0);
  r.c = 9;
  EXPECT_FALSE(span.Read(~0ull - 2, r));  // an offset that would wrap around
  EXPECT_EQ(r.c, 0);

  // Shortened by a count: what it covers is read, the rest is 0.
  r.c = 9;
  ASSERT_TRUE(span.ReadPrefix(0, 2, r));
  EXPECT_EQ(r.a, 0x0201);
  EXPECT_EQ(r.b, 0u);
  EXPECT_EQ(r.c, 0);
  EXPECT_FALSE(span.ReadPrefix(7, 2, r));             // the shortened part must still fit
  EXPECT_FALSE(span.ReadPrefix(0, sizeof r + 1, r));  // longer than the record
  // An empty stream has no buffer behind it (the sanitizer build checks the copy).
  r.c = 9;
  EXPECT_TRUE(wordfilt::ByteSpan().ReadPrefix(0, 0, r));
  EXPECT_EQ(r.c, 0);
}

// A Word 97 FIB of csw 16-bit values, cslw 32-bit values (value i is 100 + i,
// so ccpText is 103) and `pairs` fc/lcb pairs (pair i is 0x1000 + i / 0x10 + i).
Bytes Fib97(std::uint16_t csw, std::uint16_t cslw, std::uint16_t pairs) {
  Bytes b(32, 0);
  b[0] = 0xEC;
  b[1] = 0xA5;
  b[2] = 0xC1;  // nFib of Word 97
  Put16(b, csw);
  for (std::uint16_t i = 0; i < csw; ++i) Put16(b, i == 13 ? 0x0804 : 0x7777);
  Put16(b, cslw);
  for (std::uint16_t i = 0; i < cslw; ++i) Put32(b, 100u + i);
  Put16(b, pairs);
  for (std::uint16_t i = 0; i < pairs; ++i) {
    Put32(b, 0x1000u + i);
    Put32(b, 0x10u + i);
  }
  return b;
}

TEST(Records, FibArraysFollowTheirCounts) {
  wordfilt::Fib fib;
  Bytes b = Fib97(14, 22, 93);
  ASSERT_EQ(wordfilt::ParseFib(wordfilt::ByteSpan(b), fib), wordfilt::FibStatus::kOk);
  EXPECT_EQ(fib.lidFE, 0x0804);
  EXPECT_EQ(fib.ccpText, 103u);
  EXPECT_EQ(fib.ccpHdd, 105u);
  EXPECT_EQ(fib.ccpMcr, 0u);  // reserved in Word 97
  EXPECT_EQ(fib.ccpHdrTxbx, 110u);
  EXPECT_EQ(fib.clx.fc, 0x1000u + 33);
  EXPECT_EQ(fib.clx.lcb, 0x10u + 33);
  EXPECT_EQ(fib.plfLfo.fc, 0x1000u + 74);

  // Shorter arrays: fields past a count are 0, whatever bytes follow.
  b = Fib97(13, 6, 34);
  ASSERT_EQ(wordfilt::ParseFib(wordfilt::ByteSpan(b), fib), wordfilt::FibStatus::kOk);
  EXPECT_EQ(fib.lidFE, 0);
  EXPECT_EQ(fib.ccpHdd, 105u);
  EXPECT_EQ(fib.ccpAtn, 0u);
  EXPECT_EQ(fib.ccpHdrTxbx, 0u);
  EXPECT_EQ(fib.clx.lcb, 0x10u + 33);
  EXPECT_EQ(fib.plcSpaHdr.fc, 0u);

  // A stream that ends between the piece table's fc and its lcb keeps the fc;
  // one that ends inside the fc has neither.
  b = Fib97(14, 22, 93);
  const std::size_t clxAt = b.size() - 8 * (93 - 33);
  b.resize(clxAt + 4);
  ASSERT_EQ(wordfilt::ParseFib(wordfilt::ByteSpan(b), fib), wordfilt::FibStatus::kOk);
  EXPECT_EQ(fib.clx.fc, 0x1000u + 33);
  EXPECT_EQ(fib.clx.lcb, 0u);
  EXPECT_EQ(fib.plcfBtePapx.lcb, 0x10u + 13);
  b.resize(clxAt + 3);
  ASSERT_EQ(wordfilt::ParseFib(wordfilt::ByteSpan(b), fib), wordfilt::FibStatus::kOk);
  EXPECT_EQ(fib.clx.fc, 0u);
}

}  // namespace
}  // namespace wordtest

namespace wordtest {
namespace {

// Word 6 section properties: the title page is sprm 143, the break kind 142,
// and the column sprms before them take three bytes.
TEST(Records, Word6SectionsReadTheirTitlePage) {
  Word6Doc d;
  d.paragraphs = {{"a", {}}, {"b", {}}, {"c", {}}};
  d.sections = {{1, {142, 2}},                                    // a page break only
                {1, {136, 0, 0x10, 0, 137, 0, 0x20, 0, 143, 1}},  // columns, then title page
                {1, {143, 1, 142, 0}}};
  const Bytes doc = Word6Stream(d);
  wordfilt::Fib fib;
  ASSERT_EQ(wordfilt::ParseFib(wordfilt::ByteSpan(doc), fib), wordfilt::FibStatus::kOk);
  const wordfilt::HeaderUse use =
      wordfilt::ReadHeaderUse(wordfilt::ByteSpan(doc), wordfilt::ByteSpan(doc), fib, 10);
  EXPECT_EQ(use.titlePage, (std::vector<bool>{false, true, true}));
}

}  // namespace
}  // namespace wordtest
