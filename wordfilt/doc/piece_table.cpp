#include "wordfilt/doc/piece_table.h"

#include <algorithm>

#include "platform/little_endian.h"
#include "wordfilt/doc/plc.h"

namespace wordfilt {
namespace {

// A piece descriptor: where a piece's text lies and how its properties change.
struct Pcd {
  platform::Le16 flags;  // nothing a reader of the text needs
  platform::Le32 fc;     // Word 97: kFcCompressed marks 8-bit text at fc / 2
  platform::Le16 prm;
};
static_assert(sizeof(Pcd) == 8, "a piece descriptor is 8 bytes");

constexpr std::uint8_t kClxtPrc = 1;
constexpr std::uint8_t kClxtPcdt = 2;
constexpr std::uint32_t kFcCompressed = 0x40000000u;
constexpr std::uint32_t kFcMask = 0x3FFFFFFFu;

PieceTableStatus ParsePlcPcd(ByteSpan plc, WordVersion version, PieceTable& out) {
  if (plc.size() < 4 + 4 + sizeof(Pcd)) return PieceTableStatus::kDamaged;
  const std::size_t n = (plc.size() - 4) / (4 + sizeof(Pcd));
  out.pieces.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t cpStart = plc.U32Or0(4ull * i);
    const std::uint32_t cpEnd = plc.U32Or0(4ull * (i + 1));
    const std::uint32_t expected = out.pieces.empty() ? 0 : out.pieces.back().cpEnd;
    // Pieces must tile the CP space from 0; a gap or an overlap ends the text there.
    if (cpStart != expected || cpEnd < cpStart) {
      out.truncated = true;
      break;
    }
    if (cpEnd == cpStart) continue;
    Pcd pcd;
    plc.Read(PlcDataOffset(n + 1, sizeof(Pcd), i), pcd);
    const std::uint32_t fc = pcd.fc;
    Piece p;
    p.cpStart = cpStart;
    p.cpEnd = cpEnd;
    // Word 2 numbers its property modifiers differently; its character
    // properties are not read at all.
    p.prm = version == WordVersion::kWord2 ? 0 : static_cast<std::uint16_t>(pcd.prm);
    if (EightBitText(version)) {
      p.compressed = true;
      p.fc = fc;
    } else if (fc & kFcCompressed) {
      p.compressed = true;
      p.fc = (fc & kFcMask) / 2;
    } else {
      p.fc = fc & kFcMask;
    }
    out.pieces.push_back(p);
  }
  if (out.pieces.empty()) return PieceTableStatus::kDamaged;
  return PieceTableStatus::kOk;
}

}  // namespace

long PieceTable::Find(std::uint32_t cp) const {
  auto it = std::upper_bound(pieces.begin(), pieces.end(), cp,
                             [](std::uint32_t v, const Piece& p) { return v < p.cpEnd; });
  if (it == pieces.end() || cp < it->cpStart) return -1;
  return static_cast<long>(it - pieces.begin());
}

PieceTableStatus ParseClx(ByteSpan table, const Fib& fib, PieceTable& out) {
  out = PieceTable();
  if (fib.clx.lcb == 0) return PieceTableStatus::kAbsent;
  const ByteSpan clx = table.Sub(fib.clx.fc, fib.clx.lcb);
  if (clx.empty()) return PieceTableStatus::kDamaged;
  std::uint64_t at = 0;
  while (at < clx.size()) {
    const std::uint8_t clxt = clx.U8Or0(at);
    if (clxt == kClxtPrc) {
      std::uint16_t cb = 0;
      if (!clx.U16(at + 1, cb)) return PieceTableStatus::kDamaged;
      const ByteSpan grpprl = clx.Sub(at + 3, cb);
      if (grpprl.size() != cb) return PieceTableStatus::kDamaged;
      out.grpprls.push_back(grpprl);
      at += 3ull + cb;
    } else if (clxt == kClxtPcdt) {
      // Word 2 gives the piece table's size in 16 bits, later versions in 32.
      const bool word2 = fib.version == WordVersion::kWord2;
      const std::uint64_t start = at + (word2 ? 3 : 5);
      std::uint32_t lcb = 0;
      std::uint16_t lcb16 = 0;
      if (word2 ? !clx.U16(at + 1, lcb16) : !clx.U32(at + 1, lcb)) {
        return PieceTableStatus::kDamaged;
      }
      if (word2) lcb = lcb16;
      // Some writers round the CLX size; take what the stream holds.
      const std::uint64_t avail = clx.size() - start;
      return ParsePlcPcd(clx.Sub(start, std::min<std::uint64_t>(lcb, avail)), fib.version, out);
    } else {
      return PieceTableStatus::kDamaged;
    }
  }
  return PieceTableStatus::kDamaged;
}

PieceTableStatus PieceTableFromFcRange(ByteSpan wordDocument, const Fib& fib, PieceTable& out) {
  out = PieceTable();
  if (fib.fcMac <= fib.fcMin || fib.fcMin >= wordDocument.size()) {
    return PieceTableStatus::kDamaged;
  }
  const std::uint64_t bytes = std::min<std::uint64_t>(fib.fcMac, wordDocument.size()) - fib.fcMin;
  const std::uint64_t ccp = fib.TotalCcp();
  Piece p;
  p.fc = fib.fcMin;
  // Word 2 and 6 text is 8-bit; a Word 97 file that lost its CLX tells by the size
  // whether the span holds one or two bytes per character.
  p.compressed = EightBitText(fib.version) || ccp == 0 || bytes < 2 * ccp;
  std::uint64_t chars = bytes / p.BytesPerChar();
  if (ccp != 0 && chars > ccp) chars = ccp;
  if (chars == 0) return PieceTableStatus::kDamaged;
  p.cpEnd = static_cast<std::uint32_t>(chars);
  out.pieces.push_back(p);
  return PieceTableStatus::kOk;
}

}  // namespace wordfilt
