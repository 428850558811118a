#include "wordfilt/doc/notes.h"

#include <algorithm>

#include "wordfilt/doc/plc.h"

namespace wordfilt {
namespace {

constexpr std::uint32_t kRefDataSize = 2;  // the reference's "numbered automatically" flag
constexpr std::uint64_t kDopFootnoteStart = 2;
constexpr std::uint64_t kDopEndnoteStart = 52;

std::u16string Arabic(std::uint32_t n) {
  std::u16string s;
  do {
    s.insert(s.begin(), static_cast<char16_t>(u'0' + n % 10));
    n /= 10;
  } while (n != 0);
  return s;
}

// The start number sits above two bits of restart rule; 0 means 1.
std::uint32_t StartNumber(ByteSpan dop, std::uint64_t offset) {
  const std::uint32_t n = dop.U16Or0(offset) >> 2;
  return n == 0 ? 1 : n;
}

void AddNotes(ByteSpan table, const FcLcb& refs, const FcLcb& texts, std::uint32_t storyStart,
              std::uint32_t storyLength, std::uint32_t mainLength, std::uint32_t first, bool roman,
              std::vector<NoteLabel>& out) {
  std::vector<std::uint32_t> refCps;
  if (!ReadPlcCps(table, refs, kRefDataSize, refCps)) return;
  std::vector<std::uint32_t> textCps;
  ReadPlcCps(table, texts, 0, textCps);  // without it, only the references are numbered
  const ByteSpan plc = table.Sub(refs.fc, refs.lcb);
  const std::size_t count = refCps.size() - 1;
  std::uint32_t number = first;
  for (std::size_t k = 0; k < count; ++k) {
    if (static_cast<std::int16_t>(plc.U16Or0(PlcDataOffset(refCps.size(), kRefDataSize, k))) == 0) {
      continue;  // a custom mark: its characters are in the text already
    }
    const std::u16string label = roman ? LowerRoman(number) : Arabic(number);
    ++number;
    if (refCps[k] < mainLength) out.push_back(NoteLabel{refCps[k], label});
    if (k + 1 < textCps.size() && textCps[k] < storyLength) {
      out.push_back(NoteLabel{storyStart + textCps[k], label});
    }
  }
}

}  // namespace

std::u16string LowerRoman(std::uint32_t n) {
  if (n == 0 || n >= 4000) return Arabic(n);
  static const struct {
    std::uint32_t value;
    const char16_t* text;
  } kParts[] = {{1000, u"m"}, {900, u"cm"}, {500, u"d"}, {400, u"cd"}, {100, u"c"},
                {90, u"xc"},  {50, u"l"},   {40, u"xl"}, {10, u"x"},   {9, u"ix"},
                {5, u"v"},    {4, u"iv"},   {1, u"i"}};
  std::u16string s;
  for (const auto& part : kParts) {
    for (; n >= part.value; n -= part.value) s += part.text;
  }
  return s;
}

std::vector<NoteLabel> ReadNoteLabels(const Fib& fib, ByteSpan table) {
  std::vector<NoteLabel> out;
  const ByteSpan dop = table.Sub(fib.dop.fc, fib.dop.lcb);
  const std::uint64_t footnotes = fib.ccpText;
  const std::uint64_t endnotes =
      footnotes + fib.ccpFtn + std::uint64_t{fib.ccpHdd} + fib.ccpMcr + fib.ccpAtn;
  if (fib.ccpFtn != 0 && footnotes + fib.ccpFtn <= 0xFFFFFFFFu) {
    AddNotes(table, fib.plcffndRef, fib.plcffndTxt, static_cast<std::uint32_t>(footnotes),
             fib.ccpFtn, fib.ccpText, StartNumber(dop, kDopFootnoteStart), false, out);
  }
  if (fib.ccpEdn != 0 && endnotes + fib.ccpEdn <= 0xFFFFFFFFu) {
    AddNotes(table, fib.plcfendRef, fib.plcfendTxt, static_cast<std::uint32_t>(endnotes),
             fib.ccpEdn, fib.ccpText, StartNumber(dop, kDopEndnoteStart), true, out);
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const NoteLabel& a, const NoteLabel& b) { return a.cp < b.cp; });
  return out;
}

}  // namespace wordfilt
