// The piece table: where each run of character positions (CPs) of the
// document's text lives in the WordDocument stream and how it is encoded.
#pragma once

#include <cstdint>
#include <vector>

#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/fib.h"

namespace wordfilt {

struct Piece {
  std::uint32_t cpStart = 0;
  std::uint32_t cpEnd = 0;  // exclusive
  std::uint32_t fc = 0;     // byte offset of the first character in the WordDocument stream
  bool compressed = false;  // one byte per character, else UTF-16LE
  std::uint16_t prm = 0;    // property modifier applied to the whole piece

  std::uint32_t BytesPerChar() const { return compressed ? 1u : 2u; }
};

struct PieceTable {
  std::vector<Piece> pieces;      // ascending, non-overlapping CP ranges from CP 0
  std::vector<ByteSpan> grpprls;  // property lists the pieces' modifiers can refer to
  bool truncated = false;         // a damaged entry ended the table early

  std::uint32_t CpLimit() const { return pieces.empty() ? 0 : pieces.back().cpEnd; }
  // Index of the piece holding cp, or -1.
  long Find(std::uint32_t cp) const;
};

enum class PieceTableStatus { kOk, kAbsent, kDamaged };

// Reads the piece table from the CLX at fib.clx in `table` (for Word 6, the
// WordDocument stream itself). kAbsent when the file has no CLX.
PieceTableStatus ParseClx(ByteSpan table, const Fib& fib, PieceTable& out);

// The table for files without a CLX: one piece over [fcMin, fcMac).
PieceTableStatus PieceTableFromFcRange(ByteSpan wordDocument, const Fib& fib, PieceTable& out);

}  // namespace wordfilt
