// What the control words this reader acts on mean. Words not listed are
// formatting that changes nothing in the text, and are ignored.
#pragma once

#include <cstdint>
#include <string_view>

namespace wordfilt {

enum class RtfAction : std::uint8_t {
  kNone,
  // Destinations: the group's text goes somewhere else, or nowhere.
  kSkip,           // font data, colours, styles, pictures, object data...
  kFontTable,      // font numbers, character sets, names
  kInfo,           // the document's properties
  kProperty,       // arg: the property id (title 2, subject 3, author 4, keywords 5)
  kStory,          // arg: an RtfStoryKind
  kKeep,           // a destination that holds text read as its surroundings'
  kUpr,            // an ANSI alternative of the Unicode `\ud` inside it
  kUd,             // the Unicode text of `\upr`
  kShapeInstance,  // a shape's properties, among them its text
  kFootnoteIsEndnote,
  kNoteReference,  // an automatically numbered note's mark
  kNoteStart,      // arg: 0 footnotes, 1 endnotes: the first number
  kNoteFormat,     // arg: 0/1 footnotes, 2/3 endnotes: arabic, lower-case Roman
  // Characters and breaks.
  kChar,  // arg: the character
  kParagraph,
  kLine,
  kCell,
  kRow,
  kUnicode,
  kUnicodeSkip,
  // Code pages and fonts.
  kFont,
  kDefaultFont,
  kFontCharset,
  kFontCodePage,
  kAnsiCodePage,
  kCharacterSet,  // arg: the code page of `\ansi`, `\mac`, `\pc`, `\pca`
  // Languages.
  kLang,
  kLangFe,
  kLangBi,
  kDefLang,
  kDefLangFe,
  kDefLangBi,
  // Text left out.
  kHidden,
  kDeleted,
  kPlain,
};

// Stories other than the main text, in the order they follow it.
enum class RtfStoryKind : std::uint8_t { kMain, kFootnote, kHeader, kComment, kEndnote, kTextBox };

struct RtfKeyword {
  RtfAction action = RtfAction::kNone;
  std::int32_t arg = 0;
};

// The meaning of a control word (kNone for words that change no text).
RtfKeyword LookupKeyword(std::string_view word);

}  // namespace wordfilt
