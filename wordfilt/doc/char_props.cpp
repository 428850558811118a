#include "wordfilt/doc/char_props.h"

#include "wordfilt/doc/sprm.h"

namespace wordfilt {
namespace {

bool Toggle(std::uint8_t op, bool base) {
  switch (op) {
    case 0: return false;
    case 1: return true;
    case 0x80: return base;
    case 0x81: return !base;
    default: return base;
  }
}

void Apply97(const Sprm& s, CharDelta& d) {
  const ByteSpan& o = s.operand;
  switch (s.opcode) {
    case sprm::kCFRMarkDel: d.deleted = o.U8Or0(0); break;
    case sprm::kCFVanish: d.vanish = o.U8Or0(0); break;
    case sprm::kCRgLid0_80:
    case sprm::kCRgLid0: d.lid = o.U16Or0(0); break;
    case sprm::kCRgLid1_80:
    case sprm::kCRgLid1: d.lidFE = o.U16Or0(0); break;
    case sprm::kCLidBi: d.lidBi = o.U16Or0(0); break;
    case sprm::kCIstd: d.charStyle = o.U16Or0(0); break;
    case sprm::kCRgFtc0: d.font = o.U16Or0(0); break;
    case sprm::kCPlain:
      d = CharDelta();
      d.plain = true;
      break;
    case sprm::kCSymbol:
      d.symbol = true;
      d.symbolFont = o.U16Or0(0);
      d.symbolChar = o.U16Or0(2);
      break;
    case sprm::kCFOle2:
    case sprm::kCFObj: d.ole2 = o.U8Or0(0); break;
    case sprm::kCPicLocation:
      d.hasPicLocation = true;
      d.picLocation = o.U32Or0(0);
      break;
    default: break;
  }
}

void Apply6(const Sprm& s, CharDelta& d) {
  const ByteSpan& o = s.operand;
  switch (s.opcode) {
    case sprm6::kCFStrikeRM: d.deleted = o.U8Or0(0); break;
    case sprm6::kCFVanish: d.vanish = o.U8Or0(0); break;
    case sprm6::kCLid: d.lid = o.U16Or0(0); break;
    case sprm6::kCIstd: d.charStyle = o.U16Or0(0); break;
    case sprm6::kCFtc: d.font = o.U16Or0(0); break;
    case sprm6::kCPlain:
      d = CharDelta();
      d.plain = true;
      break;
    case sprm6::kCSymbol:
      // cb, font (2 bytes), character (1 byte in the document's code page)
      d.symbol = true;
      d.symbolFont = o.U16Or0(1);
      d.symbolChar = o.U8Or0(3);
      break;
    default: break;
  }
}

}  // namespace

void ApplyCharSprms(ByteSpan grpprl, WordVersion version, CharDelta& delta) {
  SprmReader reader(grpprl, version);
  Sprm s;
  while (reader.Next(s)) {
    if (version == WordVersion::kWord6) {
      Apply6(s, delta);
    } else {
      Apply97(s, delta);
    }
  }
}

CharDelta PrmDelta(std::uint16_t prm, const std::vector<CharDelta>& clxLists) {
  CharDelta delta;
  if (prm & 1) {
    const std::size_t index = prm >> 1;
    if (index < clxLists.size()) delta = clxLists[index];
    return delta;
  }
  // A single sprm numbered as in Word 6, with a one-byte operand.
  const std::uint8_t op = static_cast<std::uint8_t>(prm >> 8);
  switch ((prm >> 1) & 0x7F) {
    case sprm6::kCFStrikeRM: delta.deleted = op; break;
    case sprm6::kCFVanish: delta.vanish = op; break;
    default: break;
  }
  return delta;
}

RunProps Layer(const RunProps& base, const CharDelta& d) {
  RunProps r = base;
  if (d.vanish != CharDelta::kUnset) r.hidden = Toggle(d.vanish, base.hidden);
  if (d.deleted != CharDelta::kUnset) r.deleted = Toggle(d.deleted, base.deleted);
  if (d.lid != 0) r.lid = d.lid;
  if (d.lidFE != 0) r.lidFE = d.lidFE;
  if (d.lidBi != 0) r.lidBi = d.lidBi;
  if (d.font != 0xFFFF) r.font = d.font;
  if (d.symbol) {
    r.symbol = true;
    r.symbolFont = d.symbolFont;
    r.symbolChar = d.symbolChar;
  }
  if (d.ole2 != CharDelta::kUnset) r.ole2 = Toggle(d.ole2, base.ole2);
  if (d.hasPicLocation) r.picLocation = d.picLocation;
  return r;
}

}  // namespace wordfilt
