#include "wordfilt/doc/lists.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

#include "wordfilt/doc/fonts.h"
#include "wordfilt/doc/number_format.h"
#include "wordfilt/doc/sprm.h"

namespace wordfilt {
namespace {

constexpr std::uint32_t kLstfSize = 28;
constexpr std::uint32_t kLvlfSize = 28;
constexpr std::uint32_t kLfoSize = 16;
constexpr std::size_t kMaxTextLength = 256;
constexpr std::uint8_t kSymbolCharset = 2;

// The number text's characters as they show in the level's font: symbol
// fonts draw pictures, which become their Unicode equivalents or nothing.
char16_t ShownChar(char16_t c, const FontTable& fonts, std::uint16_t ftc, bool hasFont) {
  if (c < 0x20) return c;  // level placeholders
  if (hasFont && fonts.IsSymbol(ftc)) return SymbolFontChar(c);
  if (hasFont && fonts.IsWingdings(ftc)) return WingdingsBullet(c);
  const bool pictures = hasFont && fonts.Charset(ftc) == kSymbolCharset;
  return pictures || (c >= 0xF000 && c <= 0xF0FF) ? 0 : c;
}

// Reads one level definition at `at`; false when it does not fit.
bool ReadLevel(ByteSpan t, std::uint64_t& at, const FontTable& fonts, ListLevel& level) {
  const ByteSpan lvlf = t.Sub(at, kLvlfSize);
  if (lvlf.empty()) return false;
  level.start = static_cast<std::int32_t>(lvlf.U32Or0(0));
  level.format = lvlf.U8Or0(4);
  level.legal = (lvlf.U8Or0(5) & 0x04) != 0;
  level.noRestart = (lvlf.U8Or0(5) & 0x08) != 0;
  level.restartLimit = lvlf.U8Or0(26);
  for (int i = 0; i < ListNumbering::kLevels; ++i) level.placeholders[i] = lvlf.U8Or0(6 + i);
  level.follow = lvlf.U8Or0(15);
  const std::uint8_t cbChpx = lvlf.U8Or0(24);
  const std::uint8_t cbPapx = lvlf.U8Or0(25);
  at += kLvlfSize + cbPapx;
  // The number's font matters for bullets drawn from symbol fonts.
  std::uint16_t ftc = 0;
  bool hasFont = false;
  SprmReader reader(t.Sub(at, cbChpx), WordVersion::kWord97);
  Sprm s;
  while (reader.Next(s)) {
    if (s.opcode != sprm::kCRgFtc0) continue;
    ftc = s.operand.U16Or0(0);
    hasFont = true;
  }
  at += cbChpx;
  std::uint16_t cch = 0;
  if (!t.U16(at, cch) || !t.Contains(at + 2, 2ull * cch)) return false;
  level.text.clear();
  for (std::uint16_t i = 0; i < cch && i < kMaxTextLength; ++i) {
    level.text.push_back(ShownChar(t.U16Or0(at + 2 + 2ull * i), fonts, ftc, hasFont));
  }
  at += 2 + 2ull * cch;
  return true;
}

}  // namespace

void ListNumbering::Load(ByteSpan t, const Fib& fib, const FontTable& fonts) {
  lists_.clear();
  overrides_.clear();
  if (fib.version != WordVersion::kWord97) return;
  const ByteSpan plf = t.Sub(fib.plfLst.fc, fib.plfLst.lcb);
  std::uint16_t count = 0;
  if (!plf.U16(0, count)) return;
  count = static_cast<std::uint16_t>(std::min<std::uint64_t>(count, (plf.size() - 2) / kLstfSize));
  // The level definitions follow the list definitions in the table stream.
  std::uint64_t at = std::uint64_t{fib.plfLst.fc} + fib.plfLst.lcb;
  for (std::uint16_t i = 0; i < count; ++i) {
    const std::uint64_t lstf = 2 + kLstfSize * std::uint64_t{i};
    List list;
    list.lsid = plf.U32Or0(lstf);
    const bool simple = (plf.U8Or0(lstf + 26) & 1) != 0;
    list.levels.resize(simple ? 1 : kLevels);
    bool ok = true;
    for (Level& level : list.levels) ok = ok && ReadLevel(t, at, fonts, level);
    if (!ok) break;
    lists_.push_back(std::move(list));
  }

  const ByteSpan lfo = t.Sub(fib.plfLfo.fc, fib.plfLfo.lcb);
  std::uint32_t lfoMac = 0;
  if (!lfo.U32(0, lfoMac)) return;
  lfoMac = static_cast<std::uint32_t>(std::min<std::uint64_t>(lfoMac, (lfo.size() - 4) / kLfoSize));
  std::uint64_t data = 4 + std::uint64_t{kLfoSize} * lfoMac;  // the overrides' level data
  std::unordered_map<std::uint32_t, std::size_t> byId;
  for (std::size_t k = 0; k < lists_.size(); ++k) byId.emplace(lists_[k].lsid, k);
  overrides_.resize(lfoMac);
  for (std::uint32_t i = 0; i < lfoMac; ++i) {
    Override& o = overrides_[i];
    const auto found = byId.find(lfo.U32Or0(4 + kLfoSize * std::uint64_t{i}));
    o.list = found == byId.end() ? lists_.size() : found->second;
    const std::uint8_t levels = lfo.U8Or0(4 + kLfoSize * std::uint64_t{i} + 12);
    data += 4;  // every override's data starts with an unused CP
    for (std::uint8_t k = 0; k < levels && k < kLevels; ++k) {
      std::uint32_t startAt = 0;
      std::uint32_t flags = 0;
      if (!lfo.U32(data, startAt) || !lfo.U32(data + 4, flags)) return;
      data += 8;
      const int level = static_cast<int>(flags & 0x0F);
      if (level >= kLevels) continue;
      o.restart[level] = (flags & 0x10) != 0;
      o.startAt[level] = static_cast<std::int32_t>(startAt);
      if (flags & 0x20) {
        Level replaced;
        if (!ReadLevel(lfo, data, fonts, replaced)) return;
        // A replaced level brings its own start; the start-at field is unset.
        o.startAt[level] = replaced.start;
        o.levels.emplace_back(level, std::move(replaced));
      }
    }
  }
}

void ListNumbering::Restart() {
  for (List& list : lists_) list.started.fill(false);
  for (Override& o : overrides_) o.used = false;
}

const ListNumbering::Level& ListNumbering::LevelOf(const Override& o, const List& list,
                                                   int level) const {
  for (const auto& [k, l] : o.levels) {
    if (k == level) return l;
  }
  return list.levels[std::min<std::size_t>(level, list.levels.size() - 1)];
}

std::int32_t ListNumbering::StartOf(const Override& o, const List& list, int level) const {
  return o.restart[level] ? o.startAt[level] : LevelOf(o, list, level).start;
}

// An override that restarts levels does so where it is first used.
void ListNumbering::BeginOverride(Override& o, List& list) const {
  if (o.used) return;
  o.used = true;
  for (int k = kLevels - 1; k >= 0; --k) {
    if (!o.restart[k]) continue;
    list.started[k] = false;
    RestartBelow(o, list, k);
  }
}

void ListNumbering::RestartBelow(const Override& o, List& list, int level) const {
  for (int k = level + 1; k < kLevels; ++k) {
    const Level& deeper = LevelOf(o, list, k);
    if (!deeper.noRestart || level < deeper.restartLimit) list.started[k] = false;
  }
}

void ListNumbering::Count(const Override& o, List& list, int level) const {
  // Levels above that have not appeared count as shown at their start value,
  // so that the next paragraph there goes on from it.
  for (int k = 0; k < level; ++k) {
    if (list.started[k]) continue;
    list.counters[k] = StartOf(o, list, k);
    list.started[k] = true;
  }
  std::int32_t& n = list.counters[level];
  // Damaged start values must not overflow the count.
  n = !list.started[level] ? StartOf(o, list, level) : n < INT32_MAX ? n + 1 : n;
  list.started[level] = true;
  RestartBelow(o, list, level);
}

void ListNumbering::Next(std::uint16_t ilfo, std::uint8_t level, std::u16string& out) {
  if (ilfo == 0 || ilfo > overrides_.size() || level >= kLevels) return;
  Override& o = overrides_[ilfo - 1u];
  if (o.list >= lists_.size()) return;
  List& list = lists_[o.list];
  if (list.levels.size() == 1) level = 0;
  BeginOverride(o, list);
  Count(o, list, level);

  const Level& def = LevelOf(o, list, level);
  const std::size_t before = out.size();
  std::size_t next = 0;  // index into placeholders
  for (std::size_t i = 0; i < def.text.size(); ++i) {
    const char16_t c = def.text[i];
    const bool placeholder = next < kLevels && def.placeholders[next] == i + 1 && c < kLevels;
    if (!placeholder) {
      if (c >= 0x20) out.push_back(c);
      continue;
    }
    ++next;
    const std::int32_t n = list.started[c] ? list.counters[c] : StartOf(o, list, c);
    FormatNumber(n, def.legal ? nfc::kDecimal : LevelOf(o, list, c).format, out);
  }
  if (out.size() == before) return;
  if (def.follow == 0) out.push_back(u'\t');
  if (def.follow == 1) out.push_back(u' ');
}

}  // namespace wordfilt
