#include "wordfilt/doc/fib.h"

#include <algorithm>
#include <cstddef>

#include "platform/little_endian.h"

namespace wordfilt {
namespace {

using platform::Le16;
using platform::Le32;

// The fixed start of the FIB, shared by Word 2 to Word 2003.
struct FibBase {
  Le16 wIdent;
  Le16 nFib;
  Le16 nProduct;
  Le16 lid;
  Le16 pnNext;
  Le16 flags;  // kFlag* below
  Le16 nFibBack;
  Le32 lKey;  // the obfuscation key
  std::uint8_t envr;
  std::uint8_t flags2;
  Le16 chs;  // Word 6: the character set of the text; reserved later
  Le16 chsTables;
  Le32 fcMin;  // reserved in Word 97 files that keep a piece table
  Le32 fcMac;
};
static_assert(sizeof(FibBase) == 32, "the FIB base is 32 bytes");
static_assert(offsetof(FibBase, flags) == 0x0A && offsetof(FibBase, chs) == 0x14 &&
                  offsetof(FibBase, fcMin) == 0x18,
              "FIB base fields at their places");

constexpr std::uint16_t kFlagDot = 0x0001;
constexpr std::uint16_t kFlagComplex = 0x0004;
constexpr std::uint16_t kFlagEncrypted = 0x0100;
constexpr std::uint16_t kFlagTable1 = 0x0200;
constexpr std::uint16_t kFlagObfuscated = 0x8000;

// Word 2 and Word 6: the fixed counts between the base and the fc/lcb pairs.
struct FibCountsWord6 {
  Le32 reserved[5];  // end of the text data and spare positions
  Le32 ccpText;
  Le32 ccpFtn;
  Le32 ccpHdd;
  Le32 ccpMcr;
  Le32 ccpAtn;
  Le32 ccpEdn;
  Le32 ccpTxbx;
  Le32 ccpHdrTxbx;
  Le32 ccpSpare;
};
static_assert(sizeof(FibBase) + offsetof(FibCountsWord6, ccpText) == 0x34 &&
                  sizeof(FibBase) + sizeof(FibCountsWord6) == 0x58,
              "Word 6 FIB counts at their places");

// Word 97: the 16-bit values after the base, as many as the FIB's csw says.
struct FibRgW97 {
  Le16 reserved[13];
  Le16 lidFE;
};
static_assert(sizeof(FibRgW97) == 28, "the Word 97 FibRgW is 28 bytes");

// Word 97: the 32-bit values after those, as many as cslw says.
struct FibRgLw97 {
  Le32 cbMac;
  Le32 reserved1[2];
  Le32 ccpText;
  Le32 ccpFtn;
  Le32 ccpHdd;
  Le32 reserved2;  // Word 6's macro story
  Le32 ccpAtn;
  Le32 ccpEdn;
  Le32 ccpTxbx;
  Le32 ccpHdrTxbx;
  Le32 reserved3[11];
};
static_assert(sizeof(FibRgLw97) == 88, "the Word 97 FibRgLw is 88 bytes");

struct FcLcbPair {
  Le32 fc;
  Le32 lcb;
};
static_assert(sizeof(FcLcbPair) == 8, "an fc/lcb pair is 8 bytes");

constexpr std::uint16_t kIdentWord97 = 0xA5EC;
constexpr std::uint16_t kIdentWord6 = 0xA5DC;
constexpr std::uint16_t kIdentWord2 = 0xA5DB;
// The East-Asian editions of Word 6 and Word 95 write their own identifiers
// and keep the Word 6 layout.
constexpr std::uint16_t kIdentWord6FarEast = 0xA697;
constexpr std::uint16_t kIdentWord95FarEast = 0xA699;
// Word 95 writes nFib 104; anything newer than that uses the Word 97 layout.
constexpr std::uint16_t kLastWord6Fib = 0x68;

// Indices into the fc/lcb pairs. Word 6 stores the same pairs from offset 0x58
// in the same order as far as the piece table, so one index list serves both.
enum FcLcbIndex : std::uint32_t {
  kStshf = 1,
  kPlcffndRef = 2,
  kPlcffndTxt = 3,
  kPlcfandTxt = 5,
  kPlcfSed = 6,
  kPlcfHdd = 11,
  kPlcfBteChpx = 12,
  kPlcfBtePapx = 13,
  kSttbfFfn = 15,
  kDop = 31,
  kClx = 33,
  kPlcSpaHdr = 41,
  kPlcfendRef = 46,
  kPlcfendTxt = 47,
  kPlcftxbxTxt = 56,
  kPlcfHdrtxbxTxt = 58,
  kPlfLst = 73,
  kPlfLfo = 74,
};

struct FcLcbTable {
  ByteSpan stream;
  std::uint64_t offset = 0;
  std::uint32_t count = 0;  // pairs present

  FcLcb Get(std::uint32_t index) const {
    FcLcb v;
    if (index >= count) return v;
    const std::uint64_t at = offset + std::uint64_t{sizeof(FcLcbPair)} * index;
    FcLcbPair pair;
    // A FIB cut short may end between a pair's fc and its lcb.
    if (!stream.Read(at, pair)) stream.ReadPrefix(at, sizeof pair.fc, pair);
    v.fc = pair.fc;
    v.lcb = pair.lcb;
    return v;
  }
};

void ReadFcLcbs(const FcLcbTable& t, Fib& fib) {
  fib.stshf = t.Get(kStshf);
  fib.plcffndRef = t.Get(kPlcffndRef);
  fib.plcffndTxt = t.Get(kPlcffndTxt);
  fib.plcfandTxt = t.Get(kPlcfandTxt);
  fib.plcfSed = t.Get(kPlcfSed);
  fib.plcfHdd = t.Get(kPlcfHdd);
  fib.plcfBteChpx = t.Get(kPlcfBteChpx);
  fib.plcfBtePapx = t.Get(kPlcfBtePapx);
  fib.sttbfFfn = t.Get(kSttbfFfn);
  fib.dop = t.Get(kDop);
  fib.clx = t.Get(kClx);
  fib.plcSpaHdr = t.Get(kPlcSpaHdr);
  fib.plcfendRef = t.Get(kPlcfendRef);
  fib.plcfendTxt = t.Get(kPlcfendTxt);
  fib.plcftxbxTxt = t.Get(kPlcftxbxTxt);
  fib.plcfHdrtxbxTxt = t.Get(kPlcfHdrtxbxTxt);
  fib.plfLst = t.Get(kPlfLst);
  fib.plfLfo = t.Get(kPlfLfo);
}

FibStatus ParseWord6(ByteSpan s, const FibBase& base, Fib& fib) {
  // The fixed Word 6 header runs to fcClx/lcbClx at 0x160; text positions
  // and story lengths must be there at the least.
  FibCountsWord6 counts;
  if (!s.Read(sizeof(FibBase), counts)) return FibStatus::kDamaged;
  fib.version = WordVersion::kWord6;
  fib.charSet = base.chs;
  fib.ccpText = counts.ccpText;
  fib.ccpFtn = counts.ccpFtn;
  fib.ccpHdd = counts.ccpHdd;
  fib.ccpMcr = counts.ccpMcr;
  fib.ccpAtn = counts.ccpAtn;
  fib.ccpEdn = counts.ccpEdn;
  fib.ccpTxbx = counts.ccpTxbx;
  fib.ccpHdrTxbx = counts.ccpHdrTxbx;
  constexpr std::uint64_t kPairs = sizeof(FibBase) + sizeof(FibCountsWord6);
  FcLcbTable t{s, kPairs, static_cast<std::uint32_t>((s.size() - kPairs) / sizeof(FcLcbPair))};
  ReadFcLcbs(t, fib);
  // Word 6 has no text box pairs at the Word 97 places.
  fib.plcftxbxTxt = FcLcb();
  fib.plcfHdrtxbxTxt = FcLcb();
  fib.plcfendRef = FcLcb();
  fib.plcfendTxt = FcLcb();
  fib.plcSpaHdr = FcLcb();
  fib.plfLst = FcLcb();
  fib.plfLfo = FcLcb();
  return FibStatus::kOk;
}

// Word 2 stores its structures as pairs of a 32-bit position and a 16-bit
// length from 0x58, in Word 6's order as far as the piece table (the 34th).
struct FcLcbPairWord2 {
  Le32 fc;
  Le16 lcb;
};
static_assert(sizeof(FcLcbPairWord2) == 6, "a Word 2 fc/lcb pair is 6 bytes");
constexpr std::uint64_t kClxWord2 = 0x58 + 33 * sizeof(FcLcbPairWord2);
static_assert(kClxWord2 == 0x11E, "the Word 2 piece table pair at its place");

// Word 2 shares the Word 6 header as far as the story lengths; of its
// structures only the piece table is read (text is read in the main stories only).
FibStatus ParseWord2(ByteSpan s, Fib& fib) {
  FibCountsWord6 counts;
  if (!s.Read(sizeof(FibBase), counts)) return FibStatus::kDamaged;
  fib.version = WordVersion::kWord2;
  fib.table1 = false;
  fib.obfuscated = false;
  fib.ccpText = counts.ccpText;
  fib.ccpFtn = counts.ccpFtn;
  fib.ccpHdd = counts.ccpHdd;
  fib.ccpMcr = counts.ccpMcr;
  fib.ccpAtn = counts.ccpAtn;
  // Only a fast-saved file needs its piece table; a plain one may leave the
  // pair stale, and its text is contiguous anyway.
  FcLcbPairWord2 clx;
  if (fib.complex) {
    if (!s.Read(kClxWord2, clx)) return FibStatus::kDamaged;
    fib.clx.fc = clx.fc;
    fib.clx.lcb = clx.lcb;
  }
  return FibStatus::kOk;
}

FibStatus ParseWord97(ByteSpan s, Fib& fib) {
  fib.version = WordVersion::kWord97;
  // Each array after the base follows its count; a count smaller than the
  // record leaves the missing fields 0, a larger one is skipped over.
  std::uint64_t at = sizeof(FibBase);
  std::uint16_t csw = 0;
  if (!s.U16(at, csw)) return FibStatus::kDamaged;
  const std::uint64_t rgW = at + 2;
  FibRgW97 w;
  s.ReadPrefix(rgW, std::min<std::uint64_t>(2ull * csw, sizeof w), w);
  fib.lidFE = w.lidFE;
  at = rgW + 2ull * csw;
  std::uint16_t cslw = 0;
  if (!s.U16(at, cslw)) return FibStatus::kDamaged;
  const std::uint64_t rgLw = at + 2;
  // Story lengths are essential: without ccpText there is no main text.
  if (cslw < 4 || !s.Contains(rgLw, 4ull * cslw)) return FibStatus::kDamaged;
  FibRgLw97 lw;
  s.ReadPrefix(rgLw, std::min<std::uint64_t>(4ull * cslw, sizeof lw), lw);
  fib.ccpText = lw.ccpText;
  fib.ccpFtn = lw.ccpFtn;
  fib.ccpHdd = lw.ccpHdd;
  fib.ccpAtn = lw.ccpAtn;
  fib.ccpEdn = lw.ccpEdn;
  fib.ccpTxbx = lw.ccpTxbx;
  fib.ccpHdrTxbx = lw.ccpHdrTxbx;
  at = rgLw + 4ull * cslw;
  std::uint16_t cbRgFcLcb = 0;
  if (!s.U16(at, cbRgFcLcb)) return FibStatus::kDamaged;
  FcLcbTable t{s, at + 2, cbRgFcLcb};
  ReadFcLcbs(t, fib);
  return FibStatus::kOk;
}

}  // namespace

std::uint64_t Fib::TotalCcp() const {
  const std::uint64_t sub =
      std::uint64_t{ccpFtn} + ccpHdd + ccpMcr + ccpAtn + ccpEdn + ccpTxbx + ccpHdrTxbx;
  return std::uint64_t{ccpText} + sub + (sub != 0 ? 1 : 0);
}

FibStatus ParseFib(ByteSpan s, Fib& fib) {
  fib = Fib();
  // Too short for the base, the stream is a damaged Word document if it
  // starts like one; a stream shorter than the signature is no Word document.
  FibBase base;
  s.ReadPrefix(0, std::min<std::uint64_t>(s.size(), sizeof base), base);
  const std::uint16_t ident = base.wIdent;
  const bool farEast = ident == kIdentWord6FarEast || ident == kIdentWord95FarEast;
  if (ident != kIdentWord97 && ident != kIdentWord6 && ident != kIdentWord2 && !farEast) {
    return FibStatus::kNotWord;
  }
  if (s.size() < sizeof base) return FibStatus::kDamaged;
  fib.nFib = base.nFib;
  fib.lid = base.lid;
  const std::uint16_t flags = base.flags;
  fib.dot = (flags & kFlagDot) != 0;
  fib.complex = (flags & kFlagComplex) != 0;
  fib.encrypted = (flags & kFlagEncrypted) != 0;
  fib.table1 = (flags & kFlagTable1) != 0;
  fib.obfuscated = (flags & kFlagObfuscated) != 0;
  fib.fcMin = base.fcMin;
  fib.fcMac = base.fcMac;
  if (ident == kIdentWord2) return ParseWord2(s, fib);
  if (fib.nFib <= kLastWord6Fib || farEast) {
    fib.farEast = farEast;
    // Word 6 has no table stream and no obfuscation bit: bit 15 means something else.
    fib.table1 = false;
    fib.obfuscated = false;
    return ParseWord6(s, base, fib);
  }
  return ParseWord97(s, fib);
}

}  // namespace wordfilt
