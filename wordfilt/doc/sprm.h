// Single property modifiers (sprms): an opcode and its operand, packed back to
// back in a grpprl. Word 97 opcodes carry their operand size in the opcode;
// Word 6 opcodes are one byte and need a size table.
#pragma once

#include <cstdint>

#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/fib.h"

namespace wordfilt {

// Opcodes this parser acts on (Word 97 numbering).
namespace sprm {
constexpr std::uint16_t kCFRMarkDel = 0x0800;
constexpr std::uint16_t kCFOle2 = 0x080A;
constexpr std::uint16_t kCFObj = 0x0856;
constexpr std::uint16_t kCPicLocation = 0x6A03;
constexpr std::uint16_t kCFVanish = 0x083C;
constexpr std::uint16_t kCSymbol = 0x6A09;
constexpr std::uint16_t kCIstd = 0x4A30;
constexpr std::uint16_t kCRgFtc0 = 0x4A4F;
constexpr std::uint16_t kCPlain = 0x2A33;
constexpr std::uint16_t kCRgLid0_80 = 0x486D;
constexpr std::uint16_t kCRgLid1_80 = 0x486E;
constexpr std::uint16_t kCRgLid0 = 0x4873;
constexpr std::uint16_t kCRgLid1 = 0x4874;
constexpr std::uint16_t kCLidBi = 0x485F;
constexpr std::uint16_t kPIlvl = 0x260A;
constexpr std::uint16_t kPIlfo = 0x460B;
constexpr std::uint16_t kPFInTable = 0x2416;
constexpr std::uint16_t kPFTtp = 0x2417;
constexpr std::uint16_t kPFInnerTableCell = 0x244B;
constexpr std::uint16_t kPFInnerTtp = 0x244C;
constexpr std::uint16_t kPItap = 0x6649;
constexpr std::uint16_t kPChgTabs = 0xC615;
constexpr std::uint16_t kTDefTable = 0xD608;
}  // namespace sprm

// Word 6 one-byte opcodes with the same meaning.
namespace sprm6 {
constexpr std::uint8_t kPAnld = 12;     // automatic numbering description
constexpr std::uint8_t kPNLvlAnm = 13;  // automatic numbering level
constexpr std::uint8_t kPChgTabs = 23;
constexpr std::uint8_t kPFInTable = 24;
constexpr std::uint8_t kPTtp = 25;
constexpr std::uint8_t kCFStrikeRM = 65;  // deleted revision text
constexpr std::uint8_t kCSymbol = 74;
constexpr std::uint8_t kCIstd = 80;
constexpr std::uint8_t kCPlain = 83;
constexpr std::uint8_t kCFVanish = 92;
constexpr std::uint8_t kCFtc = 93;
constexpr std::uint8_t kCLid = 97;
constexpr std::uint8_t kSOlstAnm = 133;  // a section's outline numbering
}  // namespace sprm6

struct Sprm {
  std::uint16_t opcode = 0;
  ByteSpan operand;
};

// Walks the sprms of a grpprl in order. Stops at the end or at the first sprm
// whose operand does not fit or whose size cannot be known.
class SprmReader {
 public:
  SprmReader(ByteSpan grpprl, WordVersion version) : grpprl_(grpprl), version_(version) {}
  bool Next(Sprm& out);

 private:
  ByteSpan grpprl_;
  WordVersion version_;
  std::uint64_t at_ = 0;
};

// Operand size of a Word 97 sprm whose operand starts at `operand`, or -1.
long Word97OperandSize(std::uint16_t opcode, ByteSpan operand);
// Operand size of a Word 6 sprm, or -1 for an unknown opcode.
long Word6OperandSize(std::uint8_t opcode, ByteSpan operand);

// Inline: property lists are read sprm by sprm, thousands per document.
inline bool SprmReader::Next(Sprm& out) {
  std::uint64_t opcodeSize = version_ == WordVersion::kWord6 ? 1 : 2;
  if (!grpprl_.Contains(at_, opcodeSize)) return false;
  const std::uint16_t opcode = opcodeSize == 1 ? grpprl_.U8Or0(at_) : grpprl_.U16Or0(at_);
  const ByteSpan rest = grpprl_.Sub(at_ + opcodeSize, grpprl_.size() - (at_ + opcodeSize));
  // Word 97 opcodes give most operand sizes in their top three bits (-1: it
  // depends on the operand); deciding those here spares a call per sprm.
  static constexpr std::int8_t kSizeBySpra[8] = {1, 1, 2, 4, 2, 2, -1, 3};
  long size = 0;
  if (version_ == WordVersion::kWord6) {
    size = Word6OperandSize(static_cast<std::uint8_t>(opcode), rest);
  } else {
    size = kSizeBySpra[opcode >> 13];
    if (size < 0) size = Word97OperandSize(opcode, rest);
  }
  if (size < 0 || static_cast<std::uint64_t>(size) > rest.size()) {
    at_ = grpprl_.size();
    return false;
  }
  out.opcode = opcode;
  out.operand = rest.Sub(0, static_cast<std::uint64_t>(size));
  at_ += opcodeSize + static_cast<std::uint64_t>(size);
  return true;
}

}  // namespace wordfilt
