// Reading and writing the small text files of the profile and registration
// readers. Plain C++ and stdio, so both builds can test it.
#include "platform/profile/text_file.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "platform/utf.h"

namespace platform {
namespace {

using platform::AppendUtf8;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

void AppendUnit(char16_t u, bool bigEndian, std::string* out) {
  char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
  out->push_back(bigEndian ? hi : lo);
  out->push_back(bigEndian ? lo : hi);
}

// One code point from UTF-8 at text[*i]; advances *i. Malformed input yields
// U+FFFD and advances by one byte.
char32_t NextUtf8(const std::string& text, std::size_t* i) {
  auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char c = b(*i);
  std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (len == 0 || *i + len > text.size()) {
    ++*i;
    return 0xFFFD;
  }
  char32_t cp = len == 1 ? c : c & (0x7F >> len);
  for (std::size_t k = 1; k < len; ++k) {
    if ((b(*i + k) & 0xC0) != 0x80) {
      ++*i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (b(*i + k) & 0x3F);
  }
  static const char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++*i;
    return 0xFFFD;
  }
  *i += len;
  return cp;
}

}  // namespace

bool NextTextLine(const std::string& text, std::size_t pos, TextLine* line) {
  if (pos >= text.size()) return false;
  std::size_t end = text.find_first_of("\r\n", pos);
  if (end == std::string::npos) end = text.size();
  std::size_t next = end;
  if (next < text.size())
    next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
  *line = {pos, end, next};
  return true;
}

std::string Utf16ToUtf8(const unsigned char* bytes, std::size_t size, bool bigEndian) {
  std::string out;
  out.reserve(size);
  auto unit = [&](std::size_t k) -> char16_t {
    return bigEndian ? static_cast<char16_t>(bytes[k] << 8 | bytes[k + 1])
                     : static_cast<char16_t>(bytes[k + 1] << 8 | bytes[k]);
  };
  for (std::size_t k = 0; k + 1 < size; k += 2) {
    char32_t c = unit(k);
    if (c >= 0xD800 && c <= 0xDBFF && k + 3 < size && unit(k + 2) >= 0xDC00 &&
        unit(k + 2) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(k + 2) - 0xDC00);
      k += 2;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(c, &out);
  }
  return out;
}

std::string Utf8ToUtf16(const std::string& text, bool bigEndian) {
  std::string out;
  out.reserve(text.size() * 2);
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = NextUtf8(text, &i);
    if (c >= 0x10000) {
      c -= 0x10000;
      AppendUnit(static_cast<char16_t>(0xD800 + (c >> 10)), bigEndian, &out);
      AppendUnit(static_cast<char16_t>(0xDC00 + (c & 0x3FF)), bigEndian, &out);
    } else {
      AppendUnit(static_cast<char16_t>(c), bigEndian, &out);
    }
  }
  return out;
}

ReadResult ReadTextFile(const char* path, TextFile* file) {
  file->text.clear();
  file->encoding = TextEncoding::kNarrow;
  File f(std::fopen(path, "rb"));
  if (!f) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kUnreadable;
  // Unbuffered, straight into the string: these files are read at every load
  // of the modules, and a settings file is one read and the end-of-file read.
  std::setvbuf(f.get(), nullptr, _IONBF, 0);
  std::string raw(4096, '\0');
  std::size_t size = 0;
  for (;;) {
    const std::size_t want = raw.size() - size;
    const std::size_t n = std::fread(&raw[size], 1, want, f.get());
    size += n;
    if (size > kMaxTextFileBytes) return ReadResult::kTooLarge;
    // A short count is the end of the file (or an error): the C library has
    // already seen it, and asking again would cost one more read.
    if (n < want) break;
    raw.resize(raw.size() * 2);
  }
  if (std::ferror(f.get())) return ReadResult::kUnreadable;
  raw.resize(size);
  auto starts = [&](const char* mark, std::size_t len) {
    return raw.compare(0, len, mark, len) == 0;
  };
  auto* bytes = reinterpret_cast<const unsigned char*>(raw.data());
  if (starts("\xEF\xBB\xBF", 3)) {
    file->encoding = TextEncoding::kUtf8Bom;
    file->text = raw.substr(3);
  } else if (starts("\xFF\xFE", 2)) {
    file->encoding = TextEncoding::kUtf16Le;
    file->text = Utf16ToUtf8(bytes + 2, raw.size() - 2, false);
  } else if (starts("\xFE\xFF", 2)) {
    file->encoding = TextEncoding::kUtf16Be;
    file->text = Utf16ToUtf8(bytes + 2, raw.size() - 2, true);
  } else {
    file->text = std::move(raw);
  }
  return ReadResult::kOk;
}

bool WriteTextFile(const char* path, const TextFile& file) {
  std::string raw;
  switch (file.encoding) {
    case TextEncoding::kNarrow: raw = file.text; break;
    case TextEncoding::kUtf8Bom: raw = "\xEF\xBB\xBF" + file.text; break;
    case TextEncoding::kUtf16Le: raw = "\xFF\xFE" + Utf8ToUtf16(file.text, false); break;
    case TextEncoding::kUtf16Be: raw = "\xFE\xFF" + Utf8ToUtf16(file.text, true); break;
  }
  File f(std::fopen(path, "wb"));
  if (!f) return false;
  bool ok = std::fwrite(raw.data(), 1, raw.size(), f.get()) == raw.size();
  return std::fclose(f.release()) == 0 && ok;
}

}  // namespace platform
