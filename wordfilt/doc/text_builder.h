// Turns the characters of the stories, with their properties, into what a
// reader sees (field results without field codes, no hidden or deleted text,
// control characters mapped or dropped) and divides it into chunks by
// paragraph, story and language.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "wordfilt/doc/char_props.h"
#include "wordfilt/doc/document_text.h"
#include "wordfilt/doc/languages.h"

namespace wordfilt {

// What the paragraph mark ending a run of characters stands for in a table.
struct ParagraphInfo {
  bool rowEnd = false;     // a cell mark (0x07) that ends a table row
  bool innerCell = false;  // a paragraph mark (0x0D) that ends a nested table's cell
};

class TextBuilder {
 public:
  TextBuilder(DocumentText& out, std::uint16_t lid, std::uint16_t lidFE, std::size_t chunkChars);

  // A story starts a new chunk and forgets unfinished fields of the one before.
  void BeginStory();
  // Ends the story's text with a line break if it lacks one.
  void EndStory();

  // Characters of one run. `para` describes the run's last character when it
  // is a paragraph or cell mark. A symbol placeholder (0x28 with props.symbol)
  // stands for props.symbolChar, already in Unicode (0 drops it).
  void Put(const char16_t* text, std::size_t n, const RunProps& props, const ParagraphInfo& para);

  // Lets a caller drop what it added since a mark (an empty or repeated story).
  struct Mark {
    std::size_t text = 0;
    std::size_t chunks = 0;
    bool open = false;
    TextChunk last;
  };
  Mark GetMark() const;
  void Rollback(const Mark& mark);
  std::u16string_view TextSince(const Mark& mark) const;

  // Closes the last chunk and settles locales of chunks without letters.
  void Finish();

  // The embedded objects whose visible picture characters were put, by their
  // storage numbers in the object pool, in the order they came.
  const std::vector<std::uint32_t>& Objects() const { return objects_; }

 private:
  struct Languages {
    std::uint16_t western = 0;
    std::uint16_t eastAsian = 0;
    std::uint16_t complex = 0;
  };
  void Append(char16_t c, const Languages& langs);
  // A character of visible text that is not a field mark: mapped, or dropped.
  void PutVisible(char16_t c, const RunProps& props, const ParagraphInfo& para,
                  const Languages& langs);
  // What control character c shows as; false when it shows as nothing (a
  // row end may instead replace the tab before it).
  bool MapControl(char16_t c, const ParagraphInfo& para, char16_t& o, bool& paragraphEnd);
  // Appends the characters from text[i] on that go straight into the open
  // chunk unchanged; returns the index of the first one it left.
  std::size_t AppendPlainRun(const char16_t* text, std::size_t i, std::size_t n, bool symbol,
                             const Languages& langs);
  std::uint16_t LanguageOf(Script s, const Languages& langs) const;
  // LanguageOf, remembered per script for the languages of the last run.
  std::uint16_t CachedLanguageOf(Script s, const Languages& langs);
  void OpenChunk(int breakType);
  void CloseChunk();
  void FieldBegin();
  void FieldSeparator();
  void FieldEnd(const Languages& langs, bool visible);

  DocumentText& out_;
  std::uint16_t lid_;
  std::uint16_t lidFE_;
  std::size_t chunkChars_;

  bool open_ = false;  // out_.chunks.back() is the chunk being filled
  bool paragraphStart_ = true;
  bool newStory_ = true;
  bool cellTab_ = false;  // the last character put is the tab of a cell mark

  // Runs mostly repeat their neighbours' languages; a bit per script in
  // lidKnown_ marks an entry of lidCache_ valid for cacheLangs_.
  static constexpr std::size_t kScripts = static_cast<std::size_t>(Script::kOther) + 1;
  Languages cacheLangs_;
  std::uint32_t lidKnown_ = 0;
  std::array<std::uint16_t, kScripts> lidCache_{};

  // Field nesting: one entry per open field, true once its result has begun.
  std::vector<bool> fields_;
  std::size_t hiddenFields_ = 0;  // open fields still in their instructions
  std::size_t overflowFields_ = 0;
  // Instructions of a field that is the only one hiding text, kept for EQ
  // fields, which show text without a result.
  std::u16string instructions_;
  std::u16string eqText_;
  std::vector<std::uint32_t> objects_;
};

}  // namespace wordfilt
