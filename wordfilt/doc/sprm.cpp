#include "wordfilt/doc/sprm.h"

#include <array>

namespace wordfilt {
namespace {

// Tab changes may spell out their size only through their contents (cb 255).
long ChgTabsSize(ByteSpan operand) {
  std::uint8_t cb = 0;
  if (!operand.U8(0, cb)) return -1;
  if (cb != 255) return 1 + cb;
  std::uint8_t del = 0;
  if (!operand.U8(1, del)) return -1;
  std::uint8_t add = 0;
  if (!operand.U8(2ull + 4ull * del, add)) return -1;
  return 1 + (1 + 4 * del) + (1 + 3 * add);
}

// Word 6 operand sizes: 0 unknown, kVar one size byte first, kVar2 two size bytes.
constexpr std::uint8_t kUnknown = 0;
constexpr std::uint8_t kVar = 0xFF;
constexpr std::uint8_t kVar2 = 0xFE;
constexpr std::uint8_t kNone = 0xFD;  // no operand at all

using SprmSizes = std::array<std::uint8_t, 256>;

// Gives sprms from..to (inclusive) their operand size.
class SizeSetter {
 public:
  explicit SizeSetter(SprmSizes& s) : s_(s) {}
  void operator()(int from, int to, std::uint8_t size) const {
    for (int i = from; i <= to; ++i) s_[static_cast<std::size_t>(i)] = size;
  }

 private:
  SprmSizes& s_;
};

void SetParagraphSizes(const SizeSetter& set) {
  set(2, 2, 2);
  set(3, 3, kVar);
  set(4, 11, 1);
  set(12, 12, kVar);
  set(13, 14, 1);
  set(15, 15, kVar);
  set(16, 19, 2);
  set(20, 20, 4);
  set(21, 22, 2);
  set(23, 23, kVar);  // tab changes, sized like the Word 97 ones
  set(24, 25, 1);
  set(26, 28, 2);
  set(29, 29, 1);
  set(30, 36, 2);
  set(37, 37, 1);
  set(38, 43, 2);
  set(44, 44, 1);
  set(45, 49, 2);
  set(50, 51, 1);
  set(52, 52, kNone);
  set(53, 58, 1);
  set(59, 60, 2);
}

void SetCharacterSizes(const SizeSetter& set) {
  set(65, 67, 1);
  set(68, 68, kVar);
  set(69, 69, 2);
  set(70, 70, 4);
  set(71, 71, 1);
  set(72, 72, 2);
  set(73, 73, 3);
  set(74, 74, kVar);
  set(75, 75, 1);
  set(80, 80, 2);
  set(81, 82, kVar);
  set(83, 83, kNone);
  set(84, 84, kNone);
  set(85, 92, 1);
  set(93, 93, 2);
  set(94, 94, 1);
  set(95, 95, 3);
  set(96, 97, 2);
  set(98, 98, 1);
  set(99, 99, 2);
  set(100, 100, 1);
  set(101, 101, 2);
  set(102, 102, 1);
  set(103, 103, kVar);
  set(104, 104, 1);
  set(105, 106, kVar);
  set(107, 107, 2);
  set(108, 108, kVar);
  set(109, 116, 2);
  set(117, 119, 1);
  set(120, 120, kVar);
  set(121, 124, 2);
}

// Sections: from 136 on, the Word 97 section sprms from the column widths
// (ispmd 3) to the paper tray (ispmd 38), in the same order and sizes.
void SetSectionSizes(const SizeSetter& set) {
  set(131, 132, 1);
  set(133, 133, kVar);
  set(136, 137, 3);
  set(138, 139, 1);
  set(140, 141, 2);
  set(142, 143, 1);
  set(144, 145, 2);
  set(146, 147, 1);
  set(148, 149, 2);
  set(150, 153, 1);
  set(154, 157, 2);
  set(158, 159, 1);
  set(160, 161, 2);
  set(162, 163, 1);
  set(164, 171, 2);
}

void SetTableSizes(const SizeSetter& set) {
  set(182, 184, 2);
  set(185, 186, 1);
  set(187, 187, 12);
  set(188, 188, kVar);
  set(189, 189, 2);
  set(190, 190, kVar2);
  set(191, 191, kVar);
  set(192, 192, 4);
  set(193, 193, 2);
  set(194, 194, 4);
  set(195, 195, 2);
  set(196, 196, 4);
  set(197, 198, 2);
  set(199, 199, 5);
  set(200, 200, 4);
}

SprmSizes MakeWord6Sizes() {
  SprmSizes s{};
  const SizeSetter set(s);
  SetParagraphSizes(set);
  SetCharacterSizes(set);
  SetSectionSizes(set);
  SetTableSizes(set);
  return s;
}

const std::array<std::uint8_t, 256>& Word6Sizes() {
  static const std::array<std::uint8_t, 256> sizes = MakeWord6Sizes();
  return sizes;
}

}  // namespace

long Word97OperandSize(std::uint16_t opcode, ByteSpan operand) {
  switch (opcode >> 13) {
    case 0:
    case 1: return 1;
    case 2: return 2;
    case 3: return 4;
    case 4:
    case 5: return 2;
    case 7: return 3;
    default: break;
  }
  if (opcode == sprm::kTDefTable) {
    std::uint16_t cb = 0;
    if (!operand.U16(0, cb) || cb == 0) return -1;
    return 2 + (cb - 1);
  }
  if (opcode == sprm::kPChgTabs) return ChgTabsSize(operand);
  std::uint8_t cb = 0;
  if (!operand.U8(0, cb)) return -1;
  return 1 + cb;
}

long Word6OperandSize(std::uint8_t opcode, ByteSpan operand) {
  const std::uint8_t size = Word6Sizes()[opcode];
  if (size == kUnknown) return -1;
  if (size == kNone) return 0;
  if (size == kVar) {
    if (opcode == sprm6::kPChgTabs) return ChgTabsSize(operand);
    std::uint8_t cb = 0;
    if (!operand.U8(0, cb)) return -1;
    return 1 + cb;
  }
  if (size == kVar2) {
    std::uint16_t cb = 0;
    if (!operand.U16(0, cb)) return -1;
    return 2 + cb;
  }
  return size;
}

}  // namespace wordfilt
