#include "wordfilt/doc/stories.h"

#include <algorithm>

#include "wordfilt/doc/plc.h"
#include "wordfilt/doc/sections.h"

namespace wordfilt {
namespace {

// The header story starts with the six note separator stories, then has six
// per section: even header, odd header, even footer, odd footer, first-page
// header, first-page footer.
constexpr std::size_t kHeaderSeparators = 6;
constexpr std::size_t kHeadersPerSection = 6;
constexpr std::uint32_t kTextBoxDataSize = 22;
// Text this short is on one page whatever its print; the statistic is
// often stale (documents of several pages that still say one).
constexpr std::uint32_t kOnePageChars = 2000;

// The headers and footers some section shows. An empty one in a section
// stands for the same kind of the section before.
void SplitHeaders(std::uint32_t start, std::uint32_t end, ByteSpan wordDocument, ByteSpan table,
                  const Fib& fib, std::vector<Story>& out) {
  std::vector<std::uint32_t> cps;
  if (!ReadPlcCps(table, fib.plcfHdd, 0, cps)) return;
  const std::size_t stories = cps.size() - 1;
  if (stories <= kHeaderSeparators) return;
  std::size_t sections = (stories - kHeaderSeparators) / kHeadersPerSection;
  const HeaderUse use = ReadHeaderUse(wordDocument, table, fib, sections);
  if (!use.titlePage.empty()) sections = std::min(sections, use.titlePage.size());
  // A single page shows one header and one footer: the first section's, of
  // its first page if it has a title page. The page count is Word's statistic
  // from the last save; it is believed only for text short enough to fit a
  // page, so that a stale or made-up count never costs a longer document its
  // headers.
  const bool onePage = use.pages == 1 && fib.ccpText <= kOnePageChars;
  if (onePage) sections = std::min<std::size_t>(sections, 1);
  std::vector<bool> shown(stories, false);
  long current[kHeadersPerSection] = {-1, -1, -1, -1, -1, -1};
  for (std::size_t s = 0; s < sections; ++s) {
    const bool titlePage = s < use.titlePage.size() && use.titlePage[s];
    for (std::size_t kind = 0; kind < kHeadersPerSection; ++kind) {
      const std::size_t i = kHeaderSeparators + kHeadersPerSection * s + kind;
      if (cps[i + 1] > cps[i]) current[kind] = static_cast<long>(i);
      const bool even = kind == 0 || kind == 2;
      const bool first = kind >= 4;
      const bool used = first     ? titlePage
                        : onePage ? !even && !titlePage
                                  : !even || use.facingPages;
      if (used && current[kind] >= 0) shown[static_cast<std::size_t>(current[kind])] = true;
    }
  }
  for (std::size_t i = 0; i < stories; ++i) {
    if (!shown[i]) continue;
    const std::uint64_t from = std::uint64_t{start} + cps[i];
    const std::uint64_t to = std::min<std::uint64_t>(std::uint64_t{start} + cps[i + 1], end);
    if (from >= to) continue;
    out.push_back(Story{StoryKind::kHeader, static_cast<std::uint32_t>(from),
                        static_cast<std::uint32_t>(to)});
  }
}

// Splits [start, end) at the story-relative CPs of a boundary table. Returns
// false when the table is absent or does not fit the story.
bool Split(StoryKind kind, std::uint32_t start, std::uint32_t end, ByteSpan table, const FcLcb& plc,
           std::uint32_t dataSize, std::vector<Story>& out) {
  std::vector<std::uint32_t> cps;
  if (!ReadPlcCps(table, plc, dataSize, cps)) return false;
  for (std::size_t i = 0; i + 1 < cps.size(); ++i) {
    const std::uint32_t a = cps[i];
    const std::uint32_t b = cps[i + 1];
    if (a == b) continue;
    const std::uint64_t from = std::uint64_t{start} + a;
    const std::uint64_t to = std::min<std::uint64_t>(std::uint64_t{start} + b, end);
    if (from >= to) continue;
    out.push_back(Story{kind, static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to)});
  }
  return true;
}

}  // namespace

std::vector<Story> ListStories(const Fib& fib, ByteSpan wordDocument, ByteSpan table,
                               std::uint32_t cpLimit) {
  std::vector<Story> out;
  struct Part {
    StoryKind kind;
    std::uint32_t ccp;
    FcLcb plc;
    std::uint32_t dataSize;
  };
  const Part parts[] = {
      {StoryKind::kMain, fib.ccpText, FcLcb(), 0},
      {StoryKind::kFootnote, fib.ccpFtn, fib.plcffndTxt, 0},
      {StoryKind::kHeader, fib.ccpHdd, fib.plcfHdd, 0},
      {StoryKind::kMain, fib.ccpMcr, FcLcb(), 0},  // Word 6 macros: never shown
      {StoryKind::kComment, fib.ccpAtn, fib.plcfandTxt, 0},
      {StoryKind::kEndnote, fib.ccpEdn, fib.plcfendTxt, 0},
      {StoryKind::kTextBox, fib.ccpTxbx, fib.plcftxbxTxt, kTextBoxDataSize},
      {StoryKind::kHeaderTextBox, fib.ccpHdrTxbx, fib.plcfHdrtxbxTxt, kTextBoxDataSize},
  };
  std::uint64_t at = 0;
  bool first = true;
  for (const Part& part : parts) {
    const std::uint64_t start = at;
    at += part.ccp;
    const bool macros = !first && part.kind == StoryKind::kMain;
    first = false;
    if (part.ccp == 0 || macros || start >= cpLimit) continue;
    const std::uint32_t a = static_cast<std::uint32_t>(start);
    const std::uint32_t b = static_cast<std::uint32_t>(std::min<std::uint64_t>(at, cpLimit));
    if (part.kind == StoryKind::kHeader) {
      SplitHeaders(a, b, wordDocument, table, fib, out);
    } else if (part.kind == StoryKind::kMain ||
               !Split(part.kind, a, b, table, part.plc, part.dataSize, out)) {
      out.push_back(Story{part.kind, a, b});
    }
  }
  return out;
}

}  // namespace wordfilt
