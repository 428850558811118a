#include "wordfilt/chunks/chunk_writer.h"

#include "wordfilt/doc/languages.h"

namespace wordfilt {

ChunkWriter::ChunkWriter(DocumentText& out, std::size_t chunkChars, std::uint32_t defaultLocale)
    : out_(out),
      chunkChars_(chunkChars),
      defaultLocale_(defaultLocale ? defaultLocale : 0x0409),
      locale_(defaultLocale_) {}

void ChunkWriter::BeginStory() {
  newStory_ = true;
  paragraphStart_ = true;
}

void ChunkWriter::EndStory() {
  if (open_ && !out_.text.empty() && out_.text.back() != u'\n') {
    out_.text.push_back(u'\n');
    ++out_.chunks.back().length;
  }
  paragraphStart_ = true;
}

void ChunkWriter::SetLocale(std::uint32_t lcid) { locale_ = lcid ? lcid : defaultLocale_; }

std::size_t ChunkWriter::size() const { return out_.text.size(); }

void ChunkWriter::Put(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    // Printable ASCII inside an open paragraph of the chunk's language needs
    // nothing but copying: what Append would do, in bulk.
    if (open_ && !newStory_ && !paragraphStart_ && out_.chunks.back().locale == locale_) {
      std::size_t j = i;
      while (j < text.size() && text[j] >= 0x20 && text[j] < 0x7F) ++j;
      if (j != i) {
        out_.text.append(text.data() + i, j - i);
        out_.chunks.back().length += static_cast<std::uint32_t>(j - i);
        i = j;
        continue;
      }
    }
    Put(text[i++]);
  }
}

void ChunkWriter::Put(char16_t c) {
  if (c == u'\n') {
    EndParagraph();
    return;
  }
  if (c < 0x20 && c != u'\t') return;
  Append(c);
}

void ChunkWriter::EndParagraph() {
  Append(u'\n');
  paragraphStart_ = true;
}

void ChunkWriter::Append(char16_t c) {
  if (newStory_) {
    CloseChunk();
    OpenChunk(out_.chunks.empty() ? kBreakNone : kBreakChapter);
    newStory_ = false;
    paragraphStart_ = false;
  } else if (!open_) {
    OpenChunk(out_.chunks.empty() ? kBreakNone : kBreakParagraph);
    paragraphStart_ = false;
  } else if (paragraphStart_) {
    paragraphStart_ = false;
    if (out_.chunks.back().length >= chunkChars_) {
      CloseChunk();
      OpenChunk(kBreakParagraph);
    }
  }
  TextChunk* chunk = &out_.chunks.back();
  // Only letters carry a language: spaces and digits stay in the chunk around them.
  if (chunk->locale != locale_ && ClassifyChar(c) != Script::kNeutral) {
    if (chunk->locale == 0) {
      chunk->locale = locale_;
    } else {
      const bool atParagraph = chunk->length != 0 && out_.text.back() == u'\n';
      CloseChunk();
      OpenChunk(atParagraph ? kBreakParagraph : kBreakNone);
      chunk = &out_.chunks.back();
      chunk->locale = locale_;
    }
  }
  out_.text.push_back(c);
  ++chunk->length;
}

void ChunkWriter::OpenChunk(int breakType) {
  TextChunk chunk;
  chunk.offset = static_cast<std::uint32_t>(out_.text.size());
  chunk.breakType = breakType;
  out_.chunks.push_back(chunk);
  open_ = true;
}

void ChunkWriter::CloseChunk() {
  if (!open_) return;
  if (out_.chunks.back().length == 0) out_.chunks.pop_back();
  open_ = false;
}

void ChunkWriter::Finish() {
  CloseChunk();
  std::uint32_t previous = defaultLocale_;
  for (TextChunk& c : out_.chunks) {
    if (c.locale == 0) c.locale = previous;
    previous = c.locale;
  }
}

}  // namespace wordfilt
