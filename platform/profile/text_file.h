// Whole small text files as the profile and registration readers see them:
// narrow text, with a byte-order mark taken off and UTF-16 turned into UTF-8,
// written back in the encoding they came in.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

enum class TextEncoding { kNarrow, kUtf8Bom, kUtf16Le, kUtf16Be };

struct TextFile {
  std::string text;
  TextEncoding encoding = TextEncoding::kNarrow;
};

enum class ReadResult { kOk, kMissing, kUnreadable, kTooLarge };

// Larger files are not settings or registration files: they are neither read
// nor rewritten, so a misnamed data file is never loaded whole or clobbered.
constexpr std::size_t kMaxTextFileBytes = 16u << 20;

ReadResult ReadTextFile(const char* path, TextFile* file);
// Replaces the file's contents (creating it) in the file's encoding.
bool WriteTextFile(const char* path, const TextFile& file);

// One line of a text: its bytes are [begin, end); the next line starts at
// next. Lines end in CR LF, LF or a lone CR.
struct TextLine {
  std::size_t begin;
  std::size_t end;
  std::size_t next;
};
// The line that starts at pos; false at the end of the text.
bool NextTextLine(const std::string& text, std::size_t pos, TextLine* line);

// Decodes UTF-16 (no mark) into UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const unsigned char* bytes, std::size_t size, bool bigEndian);
// Encodes UTF-8 into UTF-16 bytes; a malformed byte becomes U+FFFD.
std::string Utf8ToUtf16(const std::string& text, bool bigEndian);

}  // namespace platform
