// The file information block at the start of the WordDocument stream: which
// Word generation wrote the file, whether it is encrypted, where the table
// structures are and how long each story is.
#pragma once

#include <cstdint>

#include "wordfilt/doc/byte_span.h"

namespace wordfilt {

enum class WordVersion {
  kWord2,   // Word for Windows 2.0: a plain file, 8-bit text (main stories only)
  kWord6,   // Word 6.0 and Word 95: one stream, 8-bit text, one-byte sprms
  kWord97,  // Word 97 to 2003 (and later binary writers)
};

// Word 2 and Word 6 store text in the code page of its font, one byte a character.
inline bool EightBitText(WordVersion v) { return v != WordVersion::kWord97; }
// Word 2 and Word 6 keep their tables in the document stream.
inline bool SingleStream(WordVersion v) { return v != WordVersion::kWord97; }

// Location of a structure in the table stream (or, for Word 6, in the document stream).
struct FcLcb {
  std::uint32_t fc = 0;
  std::uint32_t lcb = 0;
};

struct Fib {
  WordVersion version = WordVersion::kWord97;
  std::uint16_t nFib = 0;
  std::uint16_t lid = 0;      // language the document was written in
  std::uint16_t lidFE = 0;    // East-Asian language (Word 97 and later)
  bool dot = false;           // template
  bool complex = false;       // fast-saved: the piece table is essential
  bool encrypted = false;     // RC4 or XOR obfuscation
  bool obfuscated = false;    // XOR obfuscation (reported as encrypted as well)
  bool table1 = false;        // table stream is "1Table" (else "0Table")
  std::uint16_t charSet = 0;  // Word 6: 0 for Windows ANSI, 256 for Macintosh
  bool farEast = false;       // Word 6/95 of the East-Asian editions: double-byte text

  std::uint32_t fcMin = 0;  // text start for files without a piece table
  std::uint32_t fcMac = 0;

  // Story lengths in characters, in the order the stories follow each other.
  std::uint32_t ccpText = 0;
  std::uint32_t ccpFtn = 0;
  std::uint32_t ccpHdd = 0;
  std::uint32_t ccpMcr = 0;  // Word 6 macro story; reserved in Word 97
  std::uint32_t ccpAtn = 0;
  std::uint32_t ccpEdn = 0;
  std::uint32_t ccpTxbx = 0;
  std::uint32_t ccpHdrTxbx = 0;

  FcLcb stshf;           // style sheet
  FcLcb plcffndRef;      // footnote reference positions
  FcLcb plcffndTxt;      // footnote text boundaries
  FcLcb plcfandTxt;      // comment text boundaries
  FcLcb plcfSed;         // section boundaries and properties
  FcLcb plcfHdd;         // header/footer story boundaries
  FcLcb plcfBteChpx;     // character property pages
  FcLcb plcfBtePapx;     // paragraph property pages
  FcLcb sttbfFfn;        // font table
  FcLcb dop;             // document properties
  FcLcb clx;             // piece table
  FcLcb plcfendRef;      // endnote reference positions
  FcLcb plcfendTxt;      // endnote text boundaries
  FcLcb plcftxbxTxt;     // text box boundaries
  FcLcb plcfHdrtxbxTxt;  // header text box boundaries
  FcLcb plcSpaHdr;       // shapes anchored in headers
  FcLcb plfLst;          // list definitions
  FcLcb plfLfo;          // list overrides

  // Total length of all stories as the piece table must cover them: Word
  // appends one final paragraph mark when any story besides the main text exists.
  std::uint64_t TotalCcp() const;
};

enum class FibStatus { kOk, kNotWord, kDamaged };

// Parses the FIB of a WordDocument stream (for Word 2, of the whole file).
// kNotWord when the stream does not start like a Word 2-2003 document,
// kDamaged when it does but is cut short.
FibStatus ParseFib(ByteSpan wordDocument, Fib& fib);

}  // namespace wordfilt
