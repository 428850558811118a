// Builds the text and chunks of a document for the readers of formats other
// than Word binaries (RTF, XML, web pages, plain text), with the chunk model
// the Word reader uses: a chunk per paragraph (neighbours merged up to a size),
// a new chunk at each story and at each change of language.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "wordfilt/doc/document_text.h"
#include "wordfilt/doc/languages.h"

namespace wordfilt {

class ChunkWriter {
 public:
  // `defaultLocale` is the locale of text before any SetLocale and of chunks
  // whose characters have no language of their own (digits, punctuation).
  explicit ChunkWriter(DocumentText& out, std::size_t chunkChars = 16384,
                       std::uint32_t defaultLocale = 0x0409);

  // A story (main text, a footnote, a header...) starts a new chunk.
  void BeginStory();
  // Ends the story's text with a line break if it lacks one.
  void EndStory();

  // The language (Windows LCID) of the text that follows; 0 returns to the
  // default. Letters whose script the language's code page cannot hold (Greek
  // under English) take a language that can, as the Word reader does.
  void SetLocale(std::uint32_t lcid);

  // Text of a paragraph, kept as given except that "\n" ends the paragraph
  // and control characters other than "\t" are dropped.
  void Put(std::u16string_view text);
  void Put(char16_t c);
  // Ends the paragraph (a "\n"); a paragraph that holds nothing yet still gets
  // its line break so that empty lines survive as they do in Word documents.
  void EndParagraph();

  // True when nothing has been put since the last paragraph end (or at all).
  bool AtParagraphStart() const { return paragraphStart_; }
  // Units of text so far.
  std::size_t size() const;

  // Closes the last chunk and gives language-less chunks the one before them.
  void Finish();

 private:
  void Append(char16_t c);
  void OpenChunk(int breakType);
  void CloseChunk();
  std::uint32_t LocaleFor(Script script, std::uint32_t current);

  DocumentText& out_;
  std::size_t chunkChars_;
  std::uint32_t defaultLocale_;
  std::uint32_t locale_;
  bool open_ = false;
  bool paragraphStart_ = true;
  bool newStory_ = true;
  // The last answer of LocaleFor, and what it was asked.
  Script cachedScript_ = Script::kNeutral;
  std::uint32_t cachedBase_ = 0;
  std::uint32_t cachedCurrent_ = 0;
  std::uint32_t cachedLocale_ = 0;
};

}  // namespace wordfilt
