#include "wordfilt/chunks/chunk_writer.h"

#include <cstring>

#include "wordfilt/doc/languages.h"

namespace wordfilt {
namespace {

// How many units from p on are printable ASCII, tested four at a time: after
// the high bits are known clear, adding 0x60 sets bit 7 of a unit exactly
// when it is at least 0x20, and adding 1 sets it only for 0x7F.
std::size_t PrintableAsciiRun(const char16_t* p, std::size_t n) {
  constexpr std::uint64_t kHigh = 0xFF80FF80FF80FF80ull;
  constexpr std::uint64_t kBit7 = 0x0080008000800080ull;
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    std::uint64_t w;
    std::memcpy(&w, p + i, sizeof w);
    if ((w & kHigh) != 0 || ((w + 0x0060006000600060ull) & kBit7) != kBit7 ||
        ((w + 0x0001000100010001ull) & kBit7) != 0) {
      break;
    }
  }
  while (i < n && p[i] >= 0x20 && p[i] < 0x7F) ++i;
  return i;
}

}  // namespace

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
    // Printable ASCII inside an open paragraph of the current language goes in
    // as a run: it neither ends the paragraph nor changes the chunk's language.
    if (open_ && !newStory_ && !paragraphStart_ && out_.chunks.back().locale == locale_) {
      const std::size_t end = i + PrintableAsciiRun(text.data() + i, text.size() - i);
      if (end > i) {
        out_.text.append(text.data() + i, end - i);
        out_.chunks.back().length += static_cast<std::uint32_t>(end - i);
        i = end;
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
  // Only letters carry a language: spaces and digits stay in the chunk around
  // them. ASCII letters fit every language's code page.
  std::uint32_t locale = locale_;
  if (c >= 0x80 || chunk->locale != locale_) {
    const Script script = ClassifyChar(c);
    locale = script == Script::kNeutral ? chunk->locale : LocaleFor(script, chunk->locale);
  }
  if (chunk->locale != locale) {
    if (chunk->locale == 0) {
      chunk->locale = locale;
    } else {
      const bool atParagraph = chunk->length != 0 && out_.text.back() == u'\n';
      CloseChunk();
      OpenChunk(atParagraph ? kBreakParagraph : kBreakNone);
      chunk = &out_.chunks.back();
      chunk->locale = locale;
    }
  }
  out_.text.push_back(c);
  ++chunk->length;
}

std::uint32_t ChunkWriter::LocaleFor(Script script, std::uint32_t current) {
  if (script == cachedScript_ && locale_ == cachedBase_ && current == cachedCurrent_) {
    return cachedLocale_;
  }
  std::uint32_t locale = locale_;
  // Text labelled with a language whose code page cannot hold its letters (or
  // with none, as in plain text) gets one that can, so a host that converts
  // each chunk in its language's code page keeps the letters; the chunk's own
  // language serves first, so that text of one script stays in one chunk.
  if (!LanguageFitsScript(static_cast<std::uint16_t>(locale_), script)) {
    if (current != 0 && LanguageFitsScript(static_cast<std::uint16_t>(current), script)) {
      locale = current;
    } else if (const std::uint16_t guess = LanguageForScript(script, 0)) {
      locale = guess;
    }
  }
  cachedScript_ = script;
  cachedBase_ = locale_;
  cachedCurrent_ = current;
  cachedLocale_ = locale;
  return locale;
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
