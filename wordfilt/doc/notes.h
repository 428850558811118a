// Numbers of automatically numbered footnotes and endnotes. Word stores such
// a reference, and the mark that opens the note's own text, as a single
// placeholder character (0x02); a reader sees the note's number there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/fib.h"

namespace wordfilt {

struct NoteLabel {
  std::uint32_t cp = 0;  // document position of the placeholder
  std::u16string text;
};

// The labels of every automatically numbered note, sorted by position: one at
// the reference in the main text and one at the start of the note's text.
// Footnotes count 1, 2, 3 and endnotes i, ii, iii, each from the start
// number the document properties give; custom marks take no number.
std::vector<NoteLabel> ReadNoteLabels(const Fib& fib, ByteSpan table);

// `n` as Word's lower-case Roman numeral (plain digits from 4000 on).
std::u16string LowerRoman(std::uint32_t n);

}  // namespace wordfilt
