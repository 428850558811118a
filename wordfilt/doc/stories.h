// The stories of a document in the order their characters follow each other:
// main text, footnotes, headers and footers, comments, endnotes, text boxes
// and header text boxes, each divided into its single notes, headers or boxes.
#pragma once

#include <cstdint>
#include <vector>

#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/fib.h"

namespace wordfilt {

enum class StoryKind { kMain, kFootnote, kHeader, kComment, kEndnote, kTextBox, kHeaderTextBox };

struct Story {
  StoryKind kind = StoryKind::kMain;
  std::uint32_t cpStart = 0;
  std::uint32_t cpEnd = 0;  // exclusive
};

// Lists the non-empty stories inside [0, cpLimit). Of the header story only
// the headers and footers that some section shows are listed (not the note
// separators at its start). A damaged boundary table leaves its story as one
// piece, except the header story, which is then left out.
std::vector<Story> ListStories(const Fib& fib, ByteSpan wordDocument, ByteSpan table,
                               std::uint32_t cpLimit);

}  // namespace wordfilt
