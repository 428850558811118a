#include "wordfilt/rtf/rtf_keywords.h"

#include <array>
#include <cstddef>

namespace wordfilt {
namespace {

struct Entry {
  std::string_view word;
  RtfAction action;
  std::int32_t arg;
};

constexpr std::int32_t Story(RtfStoryKind k) { return static_cast<std::int32_t>(k); }

constexpr Entry kEntries[] = {
    // Destinations without text.
    {"fonttbl", RtfAction::kFontTable, 0},
    {"colortbl", RtfAction::kSkip, 0},
    {"stylesheet", RtfAction::kSkip, 0},
    {"listtable", RtfAction::kSkip, 0},
    {"listoverridetable", RtfAction::kSkip, 0},
    {"revtbl", RtfAction::kSkip, 0},
    {"rsidtbl", RtfAction::kSkip, 0},
    {"filetbl", RtfAction::kSkip, 0},
    {"pgdsctbl", RtfAction::kSkip, 0},
    {"xmlnstbl", RtfAction::kSkip, 0},
    {"protusertbl", RtfAction::kSkip, 0},
    {"pict", RtfAction::kSkip, 0},
    {"nonshppict", RtfAction::kSkip, 0},
    {"shppict", RtfAction::kSkip, 0},
    {"shprslt", RtfAction::kSkip, 0},
    {"sp", RtfAction::kSkip, 0},
    {"objdata", RtfAction::kSkip, 0},
    {"objclass", RtfAction::kSkip, 0},
    {"objname", RtfAction::kSkip, 0},
    {"themedata", RtfAction::kSkip, 0},
    {"colorschememapping", RtfAction::kSkip, 0},
    {"datastore", RtfAction::kSkip, 0},
    {"latentstyles", RtfAction::kSkip, 0},
    {"fldinst", RtfAction::kSkip, 0},
    {"template", RtfAction::kSkip, 0},
    {"docvar", RtfAction::kSkip, 0},
    {"userprops", RtfAction::kSkip, 0},
    {"bkmkstart", RtfAction::kSkip, 0},
    {"bkmkend", RtfAction::kSkip, 0},
    {"xe", RtfAction::kSkip, 0},
    {"tc", RtfAction::kSkip, 0},
    {"tcn", RtfAction::kSkip, 0},
    {"txe", RtfAction::kSkip, 0},
    {"rxe", RtfAction::kSkip, 0},
    {"pn", RtfAction::kSkip, 0},
    {"pntxta", RtfAction::kSkip, 0},
    {"pntxtb", RtfAction::kSkip, 0},
    {"ftnsep", RtfAction::kSkip, 0},
    {"ftnsepc", RtfAction::kSkip, 0},
    {"ftncn", RtfAction::kSkip, 0},
    {"aftnsep", RtfAction::kSkip, 0},
    {"aftnsepc", RtfAction::kSkip, 0},
    {"aftncn", RtfAction::kSkip, 0},
    {"background", RtfAction::kSkip, 0},
    {"nonesttables", RtfAction::kSkip, 0},
    {"atnid", RtfAction::kSkip, 0},
    {"atnauthor", RtfAction::kSkip, 0},
    {"atndate", RtfAction::kSkip, 0},
    {"atnref", RtfAction::kSkip, 0},
    {"atrfstart", RtfAction::kSkip, 0},
    {"atrfend", RtfAction::kSkip, 0},
    {"listpicture", RtfAction::kSkip, 0},
    {"falt", RtfAction::kSkip, 0},
    {"panose", RtfAction::kSkip, 0},
    {"do", RtfAction::kSkip, 0},
    // The document's properties.
    {"info", RtfAction::kInfo, 0},
    {"title", RtfAction::kProperty, 2},
    {"subject", RtfAction::kProperty, 3},
    {"author", RtfAction::kProperty, 4},
    {"keywords", RtfAction::kProperty, 5},
    // Stories.
    {"footnote", RtfAction::kStory, Story(RtfStoryKind::kFootnote)},
    {"ftnalt", RtfAction::kFootnoteIsEndnote, 0},
    {"chftn", RtfAction::kNoteReference, 0},
    {"ftnstart", RtfAction::kNoteStart, 0},
    {"aftnstart", RtfAction::kNoteStart, 1},
    {"ftnnar", RtfAction::kNoteFormat, 0},
    {"ftnnrlc", RtfAction::kNoteFormat, 1},
    {"aftnnar", RtfAction::kNoteFormat, 2},
    {"aftnnrlc", RtfAction::kNoteFormat, 3},
    {"header", RtfAction::kStory, Story(RtfStoryKind::kHeader)},
    {"headerl", RtfAction::kStory, Story(RtfStoryKind::kHeader)},
    {"headerr", RtfAction::kStory, Story(RtfStoryKind::kHeader)},
    {"headerf", RtfAction::kStory, Story(RtfStoryKind::kHeader)},
    {"footer", RtfAction::kStory, Story(RtfStoryKind::kHeader)},
    {"footerl", RtfAction::kStory, Story(RtfStoryKind::kHeader)},
    {"footerr", RtfAction::kStory, Story(RtfStoryKind::kHeader)},
    {"footerf", RtfAction::kStory, Story(RtfStoryKind::kHeader)},
    {"annotation", RtfAction::kStory, Story(RtfStoryKind::kComment)},
    {"shptxt", RtfAction::kStory, Story(RtfStoryKind::kTextBox)},
    {"shpinst", RtfAction::kShapeInstance, 0},
    // Destinations whose text is read where they stand.
    {"fldrslt", RtfAction::kKeep, 0},
    {"listtext", RtfAction::kKeep, 0},
    {"pntext", RtfAction::kKeep, 0},
    {"nesttableprops", RtfAction::kKeep, 0},
    {"result", RtfAction::kKeep, 0},
    {"upr", RtfAction::kUpr, 0},
    {"ud", RtfAction::kUd, 0},
    // Characters.
    {"tab", RtfAction::kChar, u'\t'},
    {"emdash", RtfAction::kChar, 0x2014},
    {"endash", RtfAction::kChar, 0x2013},
    {"emspace", RtfAction::kChar, 0x2003},
    {"enspace", RtfAction::kChar, 0x2002},
    {"qmspace", RtfAction::kChar, 0x2005},
    {"bullet", RtfAction::kChar, 0x2022},
    {"lquote", RtfAction::kChar, 0x2018},
    {"rquote", RtfAction::kChar, 0x2019},
    {"ldblquote", RtfAction::kChar, 0x201C},
    {"rdblquote", RtfAction::kChar, 0x201D},
    {"zwj", RtfAction::kChar, 0x200D},
    {"zwnj", RtfAction::kChar, 0x200C},
    {"ltrmark", RtfAction::kChar, 0x200E},
    {"rtlmark", RtfAction::kChar, 0x200F},
    {"par", RtfAction::kParagraph, 0},
    {"sect", RtfAction::kParagraph, 0},
    {"page", RtfAction::kParagraph, 0},
    {"line", RtfAction::kLine, 0},
    {"column", RtfAction::kLine, 0},
    {"cell", RtfAction::kCell, 0},
    {"nestcell", RtfAction::kCell, 0},
    {"row", RtfAction::kRow, 0},
    {"nestrow", RtfAction::kRow, 0},
    {"u", RtfAction::kUnicode, 0},
    {"uc", RtfAction::kUnicodeSkip, 0},
    // Fonts and code pages.
    {"f", RtfAction::kFont, 0},
    {"deff", RtfAction::kDefaultFont, 0},
    {"fcharset", RtfAction::kFontCharset, 0},
    {"cpg", RtfAction::kFontCodePage, 0},
    {"ansicpg", RtfAction::kAnsiCodePage, 0},
    {"ansi", RtfAction::kCharacterSet, 1252},
    {"mac", RtfAction::kCharacterSet, 10000},
    {"pc", RtfAction::kCharacterSet, 437},
    {"pca", RtfAction::kCharacterSet, 850},
    // Languages.
    {"lang", RtfAction::kLang, 0},
    {"langnp", RtfAction::kLang, 0},
    {"langfe", RtfAction::kLangFe, 0},
    {"langfenp", RtfAction::kLangFe, 0},
    {"alang", RtfAction::kLangBi, 0},
    {"deflang", RtfAction::kDefLang, 0},
    {"deflangfe", RtfAction::kDefLangFe, 0},
    {"adeflang", RtfAction::kDefLangBi, 0},
    // Visibility.
    {"v", RtfAction::kHidden, 0},
    {"deleted", RtfAction::kDeleted, 0},
    {"plain", RtfAction::kPlain, 0},
};

constexpr std::size_t kSlots = 512;  // a power of two, well above the entries

std::uint32_t Hash(std::string_view word) {
  std::uint32_t h = 2166136261u;
  for (char c : word) h = (h ^ static_cast<std::uint8_t>(c)) * 16777619u;
  return h;
}

// Open addressing over kEntries; 0 is an empty slot, else the entry's index + 1.
struct Table {
  std::array<std::uint16_t, kSlots> slots{};
  Table() {
    for (std::size_t i = 0; i < sizeof kEntries / sizeof kEntries[0]; ++i) {
      std::size_t s = Hash(kEntries[i].word) & (kSlots - 1);
      while (slots[s] != 0) s = (s + 1) & (kSlots - 1);
      slots[s] = static_cast<std::uint16_t>(i + 1);
    }
  }
};

}  // namespace

RtfKeyword LookupKeyword(std::string_view word) {
  static const Table table;
  if (word.empty() || word.size() > 32) return RtfKeyword();
  for (std::size_t s = Hash(word) & (kSlots - 1);; s = (s + 1) & (kSlots - 1)) {
    const std::uint16_t slot = table.slots[s];
    if (slot == 0) return RtfKeyword();
    const Entry& e = kEntries[slot - 1];
    if (e.word == word) return RtfKeyword{e.action, e.arg};
  }
}

}  // namespace wordfilt
