#include "wordfilt/ooxml/numbering.h"

#include <algorithm>
#include <cstdlib>

#include "wordfilt/doc/fonts.h"
#include "wordfilt/doc/number_format.h"
#include "wordfilt/ooxml/names.h"
#include "wordfilt/xml/xml_text.h"

namespace wordfilt::ooxml {
namespace {

constexpr std::size_t kMaxLevelText = 64;

int IntOf(std::string_view s, int fallback) {
  if (s.empty()) return fallback;
  std::string text(s.substr(0, 12));
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str()) return fallback;
  return static_cast<int>(std::clamp<long>(v, -1000000, 1000000));
}

bool On(std::string_view val) { return !(val == "0" || val == "false" || val == "off"); }

}  // namespace

Numbering::Format Numbering::FormatOf(std::string_view name) {
  if (name == "upperRoman") return Format::kUpperRoman;
  if (name == "lowerRoman") return Format::kLowerRoman;
  if (name == "upperLetter") return Format::kUpperLetter;
  if (name == "lowerLetter") return Format::kLowerLetter;
  if (name == "ordinal") return Format::kOrdinal;
  if (name == "decimalZero") return Format::kLeadingZero;
  if (name == "bullet") return Format::kBullet;
  if (name == "none") return Format::kNone;
  return Format::kDecimal;
}

// Word 2003 writes the binary format's number codes.
Numbering::Format Numbering::FormatOfCode(std::string_view code) {
  switch (IntOf(code, 0)) {
    case 1: return Format::kUpperRoman;
    case 2: return Format::kLowerRoman;
    case 3: return Format::kUpperLetter;
    case 4: return Format::kLowerLetter;
    case 5: return Format::kOrdinal;
    case 22: return Format::kLeadingZero;
    case 23: return Format::kBullet;
    case 255: return Format::kNone;
    default: return Format::kDecimal;
  }
}

// A bullet from the Symbol font has a Unicode equivalent; pictures from
// other symbol fonts say nothing in text.
void Numbering::Finish(Level& level) {
  for (char16_t& c : level.text) {
    if (level.symbolFont && c >= 0x20) c = SymbolFontChar(c);
    if (c >= 0xF000 && c <= 0xF0FF) c = 0;
  }
  level.text.erase(std::remove(level.text.begin(), level.text.end(), u'\0'), level.text.end());
}

void Numbering::Load(xml::Reader& reader) {
  const std::size_t base = reader.depth();
  Definition* definition = nullptr;
  Instance* instance = nullptr;
  Level* level = nullptr;
  int overrideLevel = -1;
  std::size_t levelDepth = 0;
  for (;;) {
    const xml::Event e = reader.Next();
    if (e == xml::Event::kEndOfDocument || e == xml::Event::kError) return;
    if (e == xml::Event::kEnd) {
      if (reader.depth() == base) return;
      if (level != nullptr && reader.depth() == levelDepth) {
        Finish(*level);
        level = nullptr;
      }
      if (reader.ns() != kW) continue;
      const std::string_view name = reader.local();
      if (name == "abstractNum" || name == "listDef") definition = nullptr;
      if (name == "num" || name == "list") instance = nullptr;
      if (name == "lvlOverride") overrideLevel = -1;
      continue;
    }
    if (e != xml::Event::kStart || reader.ns() != kW) continue;
    const std::string_view name = reader.local();
    const std::string_view val = reader.Attr(kW, "val");
    if (name == "abstractNum" || name == "listDef") {
      const std::string_view id =
          reader.Attr(kW, name == "listDef" ? "listDefId" : "abstractNumId");
      definition = &definitions_.try_emplace(std::string(id)).first->second;
    } else if (name == "num" || name == "list") {
      const std::string_view id = reader.Attr(kW, name == "list" ? "ilfo" : "numId");
      instance = &instances_.try_emplace(std::string(id)).first->second;
    } else if ((name == "abstractNumId" || name == "ilst") && instance != nullptr) {
      instance->definition.assign(val);
    } else if (name == "lvlOverride" && instance != nullptr) {
      overrideLevel = IntOf(reader.Attr(kW, "ilvl"), -1);
      if (overrideLevel >= kLevels) overrideLevel = -1;
    } else if (name == "startOverride" && instance != nullptr && overrideLevel >= 0) {
      instance->restart[overrideLevel] = true;
      instance->startAt[overrideLevel] = IntOf(val, 1);
    } else if (name == "lvl") {
      const int k = IntOf(reader.Attr(kW, "ilvl"), -1);
      if (instance != nullptr && overrideLevel >= 0) {
        instance->replaced[overrideLevel] = true;
        level = &instance->levels[overrideLevel];
      } else if (definition != nullptr && k >= 0 && k < kLevels) {
        level = &definition->levels[k];
      } else {
        continue;
      }
      *level = Level();
      levelDepth = reader.depth();
    } else if (level != nullptr) {
      if (name == "start") {
        level->start = IntOf(val, 1);
      } else if (name == "numFmt") {
        level->format = FormatOf(val);
      } else if (name == "nfc") {
        level->format = FormatOfCode(val);
      } else if (name == "lvlText") {
        level->text.clear();
        xml::AppendUtf16(val.substr(0, kMaxLevelText), level->text);
      } else if (name == "suff") {
        level->follow = (val == "space" || val == "Space")       ? 1
                        : (val == "nothing" || val == "Nothing") ? 2
                                                                 : 0;
      } else if (name == "isLgl" || name == "legal") {
        level->legal = On(val);
      } else if (name == "rFonts") {
        level->symbolFont = reader.Attr(kW, "ascii") == "Symbol";
      }
    }
  }
}

const Numbering::Level& Numbering::LevelOf(const Instance& instance, const Definition& d,
                                           int level) const {
  return instance.replaced[level] ? instance.levels[level] : d.levels[level];
}

void Numbering::Append(std::int32_t n, Format format, std::u16string& out) {
  static constexpr std::uint8_t kNfc[] = {nfc::kDecimal,     nfc::kUpperRoman,  nfc::kLowerRoman,
                                          nfc::kUpperLetter, nfc::kLowerLetter, nfc::kOrdinal,
                                          nfc::kLeadingZero, nfc::kBullet,      nfc::kNone};
  const bool roman = format == Format::kUpperRoman || format == Format::kLowerRoman;
  // Numbers roman numerals cannot write show as decimal here.
  const bool decimal = roman && (n <= 0 || n >= 4000);
  FormatNumber(n, decimal ? nfc::kDecimal : kNfc[static_cast<std::size_t>(format)], out);
}

void Numbering::Next(std::string_view id, int level, std::u16string& out) {
  if (level < 0 || level >= kLevels) level = 0;
  const auto found = instances_.find(std::string(id));
  if (found == instances_.end()) return;
  Instance& instance = found->second;
  const auto def = definitions_.find(instance.definition);
  if (def == definitions_.end()) return;
  Definition& d = def->second;
  // An instance that restarts a level does so where it is first used.
  if (!instance.used) {
    instance.used = true;
    for (int k = 0; k < kLevels; ++k) {
      if (instance.restart[k]) {
        d.counters[k] = instance.startAt[k] - 1;
        d.started[k] = true;
      }
    }
  }
  const Level& shown = LevelOf(instance, d, level);
  d.counters[level] = d.started[level] ? d.counters[level] + 1 : shown.start;
  d.started[level] = true;
  for (int k = level + 1; k < kLevels; ++k) d.started[k] = false;

  const std::size_t before = out.size();
  const std::u16string& text = shown.text;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'%' && i + 1 < text.size() && text[i + 1] >= u'1' && text[i + 1] <= u'9') {
      const int k = text[i + 1] - u'1';
      const Level& other = LevelOf(instance, d, k);
      const std::int32_t n = d.started[k] ? d.counters[k] : other.start;
      Append(n, shown.legal ? Format::kDecimal : other.format, out);
      ++i;
      continue;
    }
    if (c >= 0x20) out.push_back(c);
  }
  if (out.size() == before) return;
  if (shown.follow == 0) out.push_back(u'\t');
  if (shown.follow == 1) out.push_back(u' ');
}

}  // namespace wordfilt::ooxml
