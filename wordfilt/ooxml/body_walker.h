// Turns the text of word-processing XML (the main document, headers,
// notes, comments, in either vocabulary) into the document's text: runs'
// text, tabs, breaks and symbols; tables as cells and rows; list numbers;
// deleted text, field instructions and hidden text left out; each text box
// and alternate content once. The main text goes straight to the writer;
// the other stories are kept and written after it, in the Word reader's
// order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "wordfilt/chunks/chunk_writer.h"
#include "wordfilt/ooxml/numbering.h"
#include "wordfilt/ooxml/styles.h"
#include "wordfilt/xml/xml_reader.h"

namespace wordfilt::ooxml {

enum class StoryKind { kMain, kFootnote, kHeader, kComment, kEndnote, kTextBox, kHeaderTextBox };

class BodyWalker {
 public:
  // `styles` and `numbering` may be empty, never null; they must outlive the walker.
  BodyWalker(ChunkWriter& writer, const Styles& styles, Numbering& numbering, bool mainTextOnly);
  ~BodyWalker();

  // Walks the content of the element the reader has just started, to its
  // end, as a story of `kind`: the main text, or a header or footer part.
  // Notes and comments inside it (their parts' roots, or Word 2003's notes
  // in the text) become stories of their own.
  void Walk(xml::Reader& reader, StoryKind kind);

  // The relationship ids of the headers and footers the sections name, in
  // the order they name them.
  const std::vector<std::string>& headerIds() const { return headerIds_; }

  // Writes the kept stories after the main text.
  void Finish();

 private:
  struct Story;
  struct Context;
  enum Kind : std::uint8_t;

  void StartElement(xml::Reader& reader);
  void EndElement(xml::Reader& reader);
  void Text(std::string_view utf8);
  void PushStory(StoryKind kind, std::size_t depth);
  void Flush(Context& c);
  void Emit(Context& c, std::u16string_view text);
  void EmitChar(Context& c, char16_t ch);
  void Write(Context& c, std::u16string_view text, std::uint32_t locale);
  void ListLabel(Context& c);
  Kind ParentKind(std::size_t up) const;

  ChunkWriter& writer_;
  const Styles& styles_;
  Numbering& numbering_;
  bool mainTextOnly_;
  std::vector<std::unique_ptr<Story>> stories_;
  std::vector<Context> contexts_;
  std::vector<Kind> kinds_;
  std::vector<bool> choiceTaken_;  // per open mc:AlternateContent
  std::vector<std::string> headerIds_;
  std::u16string scratch_;
  std::u16string label_;
};

}  // namespace wordfilt::ooxml
