#include "wordfilt/doc/paragraph_flags.h"

#include "wordfilt/doc/sprm.h"

namespace wordfilt {

ParaFlags ReadParagraphFlags(ByteSpan grpprl, WordVersion version) {
  ParaFlags f;
  SprmReader reader(grpprl, version);
  Sprm s;
  while (reader.Next(s)) {
    const bool on = s.operand.U8Or0(0) != 0;
    if (version == WordVersion::kWord6) {
      if (s.opcode == sprm6::kPTtp) f.rowEnd = on;
      if (s.opcode == sprm6::kPAnld) f.autoDescription = s.operand;
      if (s.opcode == sprm6::kPNLvlAnm) {
        f.hasAutoLevel = true;
        f.autoLevel = s.operand.U8Or0(0);
      }
      continue;
    }
    switch (s.opcode) {
      case sprm::kPFTtp: f.rowEnd = on; break;
      case sprm::kPFInnerTtp: f.innerRowEnd = on; break;
      case sprm::kPFInnerTableCell: f.innerCell = on; break;
      case sprm::kPIlfo:
        f.hasIlfo = true;
        f.ilfo = s.operand.U16Or0(0);
        break;
      case sprm::kPIlvl:
        f.hasIlvl = true;
        f.ilvl = s.operand.U8Or0(0);
        break;
      default: break;
    }
  }
  return f;
}

}  // namespace wordfilt
