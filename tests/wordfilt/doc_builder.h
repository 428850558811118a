// Builds the streams of small Word 97 (and Word 6) documents for the parser's
// tests: pieces of both encodings in any physical order, character and
// paragraph property runs, styles, story boundaries, sections and the flags
// of the file information block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wordfilt/doc/memory_streams.h"

namespace wordtest {

using Bytes = std::vector<std::uint8_t>;

// Little-endian helpers for grpprls and raw structures.
void Put16(Bytes& b, std::uint16_t v);
void Put32(Bytes& b, std::uint32_t v);
Bytes Sprm(std::uint16_t opcode, std::uint32_t operand, int size);  // Word 97 opcode
Bytes Cat(std::initializer_list<Bytes> parts);

// One level of a list: characters 0-8 in `text` stand for the numbers of
// those levels; `follow` is 0 for a tab, 1 for a space, 2 for nothing.
struct ListLevelDef {
  std::int32_t start = 1;
  std::uint8_t format = 0;  // 0 decimal, 1/2 upper/lower roman, 3/4 upper/lower letter, 23 bullet
  std::u16string text;
  std::uint8_t follow = 0;
};

// A level of a list override: a new start, a new level definition, or both.
struct OverrideLevelDef {
  std::uint8_t level;
  bool startAt;  // the override restarts the level at `start`
  std::int32_t start;
  bool formatting;  // `def` replaces the level
  ListLevelDef def;
};

class DocBuilder {
 public:
  // Appends a piece; its characters follow the previous piece's in CP order.
  // `chpx` is the character property list of the whole piece (may be empty).
  DocBuilder& Piece(std::u16string text, bool compressed, Bytes chpx = {});
  // Gives the mark at CP `cp` (a 0x0D or 0x07) a paragraph property list.
  DocBuilder& Paragraph(std::uint32_t cp, Bytes grpprl, std::uint16_t istd = 0);
  // Lays pieces out in the stream from last to first, as fast saves do.
  DocBuilder& ReversePieceOrder() {
    reverse_ = true;
    return *this;
  }
  // Story lengths; by default all the text is main text.
  DocBuilder& Stories(std::uint32_t ccpText, std::uint32_t ccpFtn, std::uint32_t ccpHdd,
                      std::uint32_t ccpAtn = 0, std::uint32_t ccpEdn = 0,
                      std::uint32_t ccpTxbx = 0);
  DocBuilder& FootnoteBounds(std::vector<std::uint32_t> cps) {
    ftn_ = std::move(cps);
    return *this;
  }
  DocBuilder& HeaderBounds(std::vector<std::uint32_t> cps) {
    hdd_ = std::move(cps);
    return *this;
  }
  DocBuilder& TitlePage(bool on) {
    titlePage_ = on;
    return *this;
  }
  // Divides the main text into n sections (all with the same title-page flag).
  DocBuilder& Sections(std::uint32_t n) {
    sections_ = n;
    return *this;
  }
  DocBuilder& FacingPages(bool on) {
    facingPages_ = on;
    return *this;
  }
  // A paragraph style with a character property list, based on style `base`.
  DocBuilder& Style(std::uint16_t istd, std::uint16_t base, Bytes chpx);
  // A list; paragraphs join it through the override numbered like the list
  // (1 for the first). Overrides added later get the following numbers.
  DocBuilder& List(std::vector<ListLevelDef> levels);
  // An override of list `list` (1-based) that restarts `level` at `startAt`.
  DocBuilder& ListRestart(std::uint32_t list, std::uint8_t level, std::int32_t startAt);
  DocBuilder& ListOverride(std::uint32_t list, std::vector<OverrideLevelDef> levels);
  // Level flags of list `list` (1-based): 0x04 legal numbering, 0x08 no
  // restart but after levels below `restartLimit`; `font` for its number text.
  DocBuilder& ListLevelFlags(std::uint32_t list, std::uint8_t level, std::uint8_t flags,
                             std::uint8_t restartLimit = 0, std::int32_t font = -1,
                             Bytes chpx = {});
  DocBuilder& Lid(std::uint16_t lid) {
    lid_ = lid;
    return *this;
  }
  // The font table: font i is fonts[i] (Windows ANSI character set).
  DocBuilder& Fonts(std::vector<std::u16string> names) {
    fonts_ = std::move(names);
    return *this;
  }
  DocBuilder& Encrypted(bool on) {
    encrypted_ = on;
    return *this;
  }
  DocBuilder& Obfuscated(bool on) {
    obfuscated_ = on;
    return *this;
  }
  // Puts the table structures in "0Table" (and junk in "1Table").
  DocBuilder& UseTable0() {
    table0_ = true;
    return *this;
  }
  // Leaves the CLX out: the text is found through fcMin/fcMac.
  DocBuilder& NoClx() {
    noClx_ = true;
    return *this;
  }
  // Replaces the CLX with these bytes.
  DocBuilder& RawClx(Bytes clx) {
    rawClx_ = std::move(clx);
    hasRawClx_ = true;
    return *this;
  }
  // Puts `data` in the table stream as the structure of FIB pair `index`.
  DocBuilder& TableData(int index, Bytes data) {
    extra_.push_back(Extra{index, std::move(data)});
    return *this;
  }
  DocBuilder& NameCase(bool upper) {
    upper_ = upper;
    return *this;
  }

  wordfilt::MemoryStreams Build() const;
  void BuildStreams(Bytes& wordDocument, Bytes& table) const;

 private:
  struct PieceDef {
    std::u16string text;
    bool compressed;
    Bytes chpx;
    std::uint32_t cp = 0;
    std::uint32_t fc = 0;  // byte offset in the stream, set while building
  };
  struct ParaDef {
    std::uint32_t cp;
    Bytes grpprl;
    std::uint16_t istd;
  };
  struct StyleDef {
    std::uint16_t istd;
    std::uint16_t base;
    Bytes chpx;
  };
  struct Extra {
    int index;
    Bytes data;
  };
  std::vector<Extra> extra_;
  std::vector<PieceDef> pieces_;
  std::vector<ParaDef> paragraphs_;
  std::vector<StyleDef> styles_;
  std::vector<std::uint32_t> ftn_, hdd_;
  std::vector<std::u16string> fonts_;
  std::vector<std::vector<ListLevelDef>> lists_;
  struct Override {
    std::uint32_t list;
    std::vector<OverrideLevelDef> levels;
  };
  std::vector<Override> overrides_;
  struct LevelFlags {
    std::uint32_t list;
    std::uint8_t level;
    std::uint8_t flags;
    std::uint8_t restartLimit;
    std::int32_t font;
    Bytes chpx;  // more character properties of the number text
  };
  std::vector<LevelFlags> levelFlags_;
  void AppendLevel(Bytes& out, const ListLevelDef& l, const LevelFlags* flags) const;
  void BuildLists(Bytes& lst, Bytes& levelData, Bytes& lfo) const;
  std::uint32_t ccp_[6] = {0, 0, 0, 0, 0, 0};
  bool storiesSet_ = false;
  bool reverse_ = false;
  bool titlePage_ = false;
  std::uint32_t sections_ = 1;
  bool facingPages_ = false;
  std::uint16_t lid_ = 0x0409;
  bool encrypted_ = false;
  bool obfuscated_ = false;
  bool table0_ = false;
  bool noClx_ = false;
  bool hasRawClx_ = false;
  Bytes rawClx_;
  bool upper_ = false;
};

// A Word 6 document without a piece table: 8-bit text at fcMin, one font per
// character run given by its index into `fonts` (name, Windows charset).
struct Word6Font {
  std::string name;
  std::uint8_t charset;
};
wordfilt::MemoryStreams BuildWord6(const std::string& text, const std::vector<Word6Font>& fonts,
                                   std::uint16_t runFont, std::uint16_t lid = 0x0409,
                                   std::uint16_t ident = 0xA5DC);

// A Word 6 document of paragraphs with their own property lists (Word 6
// one-byte sprms), paragraph styles and sections.
struct Word6Paragraph {
  std::string text;  // without its mark
  Bytes grpprl;
  std::uint16_t istd = 0;
  bool hiddenMark = false;
};
struct Word6Section {
  std::size_t paragraphs;  // it holds this many paragraphs after the last section's
  Bytes sprms;
};
struct Word6Doc {
  std::vector<Word6Font> fonts = {{"Times New Roman", 0}};
  std::vector<Word6Paragraph> paragraphs;
  std::vector<Word6Section> sections;  // none: the file has no section table
  std::vector<Bytes> styles;           // paragraph style i's property list, based on none
};
wordfilt::MemoryStreams BuildWord6(const Word6Doc& doc);
// The bytes of a built Word 6 document's WordDocument stream.
Bytes Word6Stream(const Word6Doc& doc);

// Word 6 automatic numbering: a level's look, and the sprms that give a
// paragraph its numbering level and description and a section its outline.
struct AutoLevelDef {
  std::uint8_t nfc = 0;
  std::string before;
  std::string after;
  bool previous = false;
  std::uint16_t startAt = 1;
  std::uint16_t font = 0;
};
Bytes AutoLevelSprm(std::uint8_t level);
Bytes AutoDescriptionSprm(const AutoLevelDef& def);
Bytes OutlineSprm(const std::vector<AutoLevelDef>& levels, bool restartEachSection = false);

}  // namespace wordtest
