// What the parser hands to the filter component: the document's visible text
// and its division into chunks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace wordfilt {

enum class LoadStatus {
  kOk,
  kNotWord,    // not a Word 2-2003 document (other format, or no WordDocument stream)
  kEncrypted,  // password-protected: RC4 encryption or XOR obfuscation
  kDamaged,    // a Word document whose essential structures are unusable
};

// Break types, numbered as the filter interface numbers CHUNK_BREAKTYPE.
enum ChunkBreak : int {
  kBreakNone = 0,  // the first chunk, or a language change inside a paragraph
  kBreakWord = 1,
  kBreakSentence = 2,
  kBreakParagraph = 3,  // the chunk starts a new paragraph
  kBreakChapter = 4,    // the chunk starts a new story (notes, headers, comments, text boxes)
};

struct TextChunk {
  std::uint32_t offset = 0;  // into DocumentText::text, in UTF-16 units
  std::uint32_t length = 0;
  std::uint32_t locale = 0;  // LCID of the chunk's language
  int breakType = kBreakNone;
};

// A summary property of the document (title, author, ...), by its id in the
// summary information property set.
struct DocumentProperty {
  std::uint32_t id = 0;
  std::u16string value;
};

// Paragraphs end in "\n" (as do line, page, section and column breaks and
// table rows); table cells are separated by "\t". Breaks live in the text
// because hosts join chunks with nothing between them; one unit per break is
// all an indexer needs. Chunks cover the text without gaps, back to back, and
// are never empty.
struct DocumentText {
  std::u16string text;
  std::vector<TextChunk> chunks;
  bool truncated = false;  // a damaged structure ended some text early
  std::vector<DocumentProperty> properties;
  // A text read where it lies instead of copied into `text` (a long text in
  // memory another process wrote): `held` keeps that memory, and whatever
  // guards it, for as long as any copy of this document lives.
  std::shared_ptr<const void> held;
  std::u16string_view heldText;

  std::u16string_view Text() const { return held ? heldText : std::u16string_view(text); }
  std::u16string_view ChunkText(std::size_t i) const {
    return Text().substr(chunks[i].offset, chunks[i].length);
  }
};

struct ExtractOptions {
  // Paragraphs of one story and language share a chunk until it holds this
  // many characters; 0 gives every paragraph its own chunk.
  std::size_t chunkChars = 16384;
  // Leave out footnotes, headers, comments, text boxes: the main text only.
  bool mainTextOnly = false;
  // Read the summary properties into DocumentText::properties.
  bool properties = true;
  // How deep documents embedded as objects are read: 1 reads those of the
  // document itself, 2 theirs too, and so on; 0 reads none.
  int embeddedDepth = 3;
  // Objects read per document (the first ones anchored); an embedded
  // document reads a quarter as many of its own.
  std::size_t embeddedObjects = 16;
};

}  // namespace wordfilt
