#include "wordfilt/doc/auto_numbers.h"

#include <cstdint>

#include "wordfilt/doc/number_format.h"

namespace wordfilt {
namespace {

constexpr std::size_t kMaxSections = 4096;
constexpr std::uint8_t kSymbolCharset = 2;
constexpr char16_t kPlainBullet = 0x2022;

std::int32_t Increment(std::int32_t n) { return n < INT32_MAX ? n + 1 : n; }

}  // namespace

AutoNumbers::AutoNumbers(const Document& doc)
    : doc_(doc), converter_(doc.fib(), doc.tables().fonts) {}

void AutoNumbers::Restart() {
  list_ = autolevel::kNone;
  started_.fill(false);
}

void AutoNumbers::Next(std::uint8_t level, ByteSpan description, std::uint32_t cp,
                       std::u16string& out) {
  if (level == autolevel::kSkipped) return;  // the list goes on past it
  if (level >= 1 && level <= kOutlineLevels) {
    list_ = autolevel::kNone;
    Outlined(level - 1, description, cp, out);
  } else if (level == autolevel::kNumbered) {
    Numbered(description, out);
  } else if (level == autolevel::kBulleted) {
    list_ = autolevel::kBulleted;
    Bulleted(description, out);
  } else {
    list_ = autolevel::kNone;  // a paragraph outside any list ends it
  }
}

void AutoNumbers::Numbered(ByteSpan description, std::u16string& out) {
  const bool read = ReadAutoLevel(description, description_);
  const AutoLevel& def = read ? description_ : plain_;
  // A list starts at its first paragraph's start and counts on while its
  // paragraphs follow each other.
  count_ = list_ == autolevel::kNumbered ? Increment(count_) : def.startAt;
  list_ = autolevel::kNumbered;
  number_.clear();
  FormatNumber(count_, def.format, number_);
  Compose(def, number_, out);
}

void AutoNumbers::Bulleted(ByteSpan description, std::u16string& out) {
  number_.clear();
  const bool read = ReadAutoLevel(description, description_);
  if (read) {
    Shown(description_.before, description_.font, number_);
    Shown(description_.after, description_.font, number_);
  }
  // A bullet that shows nothing here (a picture, or none given) is a plain one.
  if (number_.find_first_not_of(u' ') == std::u16string::npos) number_.assign(1, kPlainBullet);
  if (read && description_.space) out.push_back(u' ');
  out += number_;
  out.push_back(u'\t');
}

const AutoLevel& AutoNumbers::OutlineLevel(int k, ByteSpan description, std::uint32_t cp) {
  if (!loaded_) {
    sections_ = ReadSectionOutlines(doc_.wordDocument(), doc_.fib(), kMaxSections);
    loaded_ = true;
  }
  std::size_t s = section_;
  while (s + 1 < sections_.size() && sections_[s].cpEnd <= cp) ++s;
  while (s > 0 && s - 1 < sections_.size() && sections_[s - 1].cpEnd > cp) --s;
  if (s != section_ && s < sections_.size() && sections_[s].outline.restartEachSection)
    started_.fill(false);
  section_ = s;
  // The section's outline describes its levels; a paragraph's own
  // description stands in where the section has none.
  if (s < sections_.size() && sections_[s].present) return sections_[s].outline.levels[k];
  return ReadAutoLevel(description, description_) ? description_ : plain_;
}

void AutoNumbers::CountOutline(int k, const AutoLevel& def) {
  // Shallower levels that have not appeared count as shown at their start.
  const bool outline = section_ < sections_.size() && sections_[section_].present;
  for (int j = 0; j < k; ++j) {
    if (started_[j]) continue;
    counters_[j] = outline ? sections_[section_].outline.levels[j].startAt : 1;
    started_[j] = true;
  }
  counters_[k] = started_[k] ? Increment(counters_[k]) : def.startAt;
  started_[k] = true;
  for (int j = k + 1; j < kOutlineLevels; ++j) started_[j] = false;
}

void AutoNumbers::Outlined(int k, ByteSpan description, std::uint32_t cp, std::u16string& out) {
  const AutoLevel& def = OutlineLevel(k, description, cp);
  CountOutline(k, def);
  number_.clear();
  if (def.previous) {
    // The shallower levels' numbers first, each in its own format.
    const bool outline = section_ < sections_.size() && sections_[section_].present;
    for (int j = 0; j < k; ++j) {
      const std::uint8_t format = outline ? sections_[section_].outline.levels[j].format : 0;
      const std::size_t at = number_.size();
      FormatNumber(counters_[j], format, number_);
      if (number_.size() != at) number_.push_back(u'.');
    }
  }
  FormatNumber(counters_[k], def.format, number_);
  Compose(def, number_, out);
}

void AutoNumbers::Compose(const AutoLevel& def, const std::u16string& number, std::u16string& out) {
  const std::size_t start = out.size();
  if (def.space) out.push_back(u' ');
  Shown(def.before, def.font, out);
  out += number;
  Shown(def.after, def.font, out);
  if (out.size() != start) out.push_back(u'\t');
}

void AutoNumbers::Shown(const std::u16string& text, std::uint16_t font, std::u16string& out) {
  if (text.empty()) return;
  const FontTable& fonts = doc_.tables().fonts;
  if (fonts.IsSymbol(font) || fonts.IsWingdings(font) || fonts.Charset(font) == kSymbolCharset) {
    for (const char16_t c : text) {
      const char16_t shown = fonts.IsSymbol(font)      ? SymbolFontChar(c)
                             : fonts.IsWingdings(font) ? WingdingsBullet(c)
                                                       : 0;
      if (shown >= 0x20) out.push_back(shown);
    }
    return;
  }
  RunProps props;
  props.font = font;
  const std::u16string* converted = converter_.Convert(text.data(), text.size(), props);
  const std::u16string& shown = converted ? *converted : text;
  for (const char16_t c : shown) {
    if (c >= 0x20) out.push_back(c);
  }
}

}  // namespace wordfilt
