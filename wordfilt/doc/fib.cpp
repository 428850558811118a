#include "wordfilt/doc/fib.h"

namespace wordfilt {
namespace {

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
    const std::uint64_t at = offset + 8ull * index;
    v.fc = stream.U32Or0(at);
    v.lcb = stream.U32Or0(at + 4);
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

FibStatus ParseWord6(ByteSpan s, Fib& fib) {
  // The fixed Word 6 header runs to fcClx/lcbClx at 0x160; text positions
  // and story lengths must be there at the least.
  if (s.size() < 0x58) return FibStatus::kDamaged;
  fib.version = WordVersion::kWord6;
  fib.charSet = s.U16Or0(0x14);
  fib.ccpText = s.U32Or0(0x34);
  fib.ccpFtn = s.U32Or0(0x38);
  fib.ccpHdd = s.U32Or0(0x3C);
  fib.ccpMcr = s.U32Or0(0x40);
  fib.ccpAtn = s.U32Or0(0x44);
  fib.ccpEdn = s.U32Or0(0x48);
  fib.ccpTxbx = s.U32Or0(0x4C);
  fib.ccpHdrTxbx = s.U32Or0(0x50);
  FcLcbTable t{s, 0x58, static_cast<std::uint32_t>((s.size() - 0x58) / 8)};
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

// Word 2 shares the Word 6 header as far as the story lengths; its structures
// after that are not read (its text has no piece table unless fast-saved).
FibStatus ParseWord2(ByteSpan s, Fib& fib) {
  if (s.size() < 0x58) return FibStatus::kDamaged;
  fib.version = WordVersion::kWord2;
  fib.table1 = false;
  fib.obfuscated = false;
  fib.ccpText = s.U32Or0(0x34);
  fib.ccpFtn = s.U32Or0(0x38);
  fib.ccpHdd = s.U32Or0(0x3C);
  fib.ccpMcr = s.U32Or0(0x40);
  fib.ccpAtn = s.U32Or0(0x44);
  return FibStatus::kOk;
}

FibStatus ParseWord97(ByteSpan s, Fib& fib) {
  fib.version = WordVersion::kWord97;
  std::uint64_t at = 32;
  std::uint16_t csw = 0;
  if (!s.U16(at, csw)) return FibStatus::kDamaged;
  const std::uint64_t rgW = at + 2;
  if (csw > 13) fib.lidFE = s.U16Or0(rgW + 13 * 2);
  at = rgW + 2ull * csw;
  std::uint16_t cslw = 0;
  if (!s.U16(at, cslw)) return FibStatus::kDamaged;
  const std::uint64_t rgLw = at + 2;
  // Story lengths are essential: without ccpText there is no main text.
  if (cslw < 4 || !s.Contains(rgLw, 4ull * cslw)) return FibStatus::kDamaged;
  auto lw = [&](std::uint32_t i) { return i < cslw ? s.U32Or0(rgLw + 4ull * i) : 0u; };
  fib.ccpText = lw(3);
  fib.ccpFtn = lw(4);
  fib.ccpHdd = lw(5);
  fib.ccpAtn = lw(7);
  fib.ccpEdn = lw(8);
  fib.ccpTxbx = lw(9);
  fib.ccpHdrTxbx = lw(10);
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
  std::uint16_t ident = 0;
  if (!s.U16(0, ident)) return FibStatus::kNotWord;
  const bool farEast = ident == kIdentWord6FarEast || ident == kIdentWord95FarEast;
  if (ident != kIdentWord97 && ident != kIdentWord6 && ident != kIdentWord2 && !farEast) {
    return FibStatus::kNotWord;
  }
  if (s.size() < 32) return FibStatus::kDamaged;
  fib.nFib = s.U16Or0(2);
  fib.lid = s.U16Or0(6);
  const std::uint16_t flags = s.U16Or0(0x0A);
  fib.dot = (flags & 0x0001) != 0;
  fib.complex = (flags & 0x0004) != 0;
  fib.encrypted = (flags & 0x0100) != 0;
  fib.table1 = (flags & 0x0200) != 0;
  fib.obfuscated = (flags & 0x8000) != 0;
  fib.fcMin = s.U32Or0(0x18);
  fib.fcMac = s.U32Or0(0x1C);
  if (ident == kIdentWord2) return ParseWord2(s, fib);
  if (fib.nFib <= kLastWord6Fib || farEast) {
    fib.farEast = farEast;
    // Word 6 has no table stream and no obfuscation bit: bit 15 means something else.
    fib.table1 = false;
    fib.obfuscated = false;
    return ParseWord6(s, fib);
  }
  return ParseWord97(s, fib);
}

}  // namespace wordfilt
