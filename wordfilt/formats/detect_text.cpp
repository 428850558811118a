#include "wordfilt/formats/detect_text.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "wordfilt/plaintext/text_decoder.h"

namespace wordfilt {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view s, std::size_t at, std::string_view prefix) {
  if (s.size() - std::min(at, s.size()) < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(s[at + i]) != prefix[i]) return false;
  }
  return true;
}

std::size_t FindNoCase(std::string_view s, std::string_view needle, std::size_t from = 0) {
  for (std::size_t i = from; i + needle.size() <= s.size(); ++i) {
    if (StartsWithNoCase(s, i, needle)) return i;
  }
  return std::string_view::npos;
}

std::size_t SkipSpace(std::string_view s, std::size_t at) {
  while (at < s.size() && IsSpace(s[at])) ++at;
  return at;
}

// Elements a page may start with when it lacks <html>, as browsers sniff them.
bool IsHtmlStartTag(std::string_view s, std::size_t at) {
  static const char* const kTags[] = {
      "html", "head", "body", "title", "meta",   "table",  "div",  "p",    "h1",    "br",
      "font", "b",    "a",    "style", "script", "iframe", "link", "span", "center"};
  for (const char* tag : kTags) {
    const std::size_t n = std::strlen(tag);
    if (!StartsWithNoCase(s, at, tag)) continue;
    if (at + n == s.size()) return false;
    const char next = s[at + n];
    if (IsSpace(next) || next == '>' || next == '/') return true;
  }
  return false;
}

}  // namespace

std::string SniffHead(const std::uint8_t* data, std::size_t size, std::size_t limit) {
  std::size_t bom = 0;
  const std::uint32_t cp = CodePageFromBom(data, size, &bom);
  std::string head;
  if (cp == kCodePageUtf16Le || cp == kCodePageUtf16Be) {
    const int hi = cp == kCodePageUtf16Le ? 1 : 0;
    for (std::size_t i = bom; i + 1 < size && head.size() < limit; i += 2) {
      const unsigned unit = static_cast<unsigned>(data[i + hi] << 8 | data[i + 1 - hi]);
      head.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    }
  } else {
    const std::size_t n = std::min(size - bom, limit);
    head.assign(reinterpret_cast<const char*>(data + bom), n);
  }
  return head;
}

bool LooksLikeHtml(const std::string& head) {
  std::string_view s(head);
  std::size_t at = 0;
  for (;;) {
    at = SkipSpace(s, at);
    if (at >= s.size() || s[at] != '<') return false;
    if (StartsWithNoCase(s, at, "<!--")) {
      const std::size_t end = s.find("-->", at + 4);
      if (end == std::string_view::npos) return false;
      at = end + 3;
    } else if (StartsWithNoCase(s, at, "<?xml")) {
      const std::size_t end = s.find("?>", at);
      if (end == std::string_view::npos) return false;
      at = end + 2;
    } else if (StartsWithNoCase(s, at, "<!doctype")) {
      const std::size_t name = SkipSpace(s, at + 9);
      if (StartsWithNoCase(s, name, "html")) return true;
      // Another doctype: the root element decides.
      const std::size_t end = s.find('>', at);
      if (end == std::string_view::npos) return false;
      at = end + 1;
    } else {
      return IsHtmlStartTag(s, at + 1);
    }
  }
}

bool LooksLikeMhtml(const std::string& head) {
  std::string_view s(head);
  bool mime = false, multipart = false, html = false;
  std::size_t at = 0;
  for (int lines = 0; at < s.size() && lines < 200; ++lines) {
    std::size_t end = s.find('\n', at);
    if (end == std::string_view::npos) return false;  // headers never end
    std::string_view line = s.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) break;  // end of the headers
    if (line[0] == ' ' || line[0] == '\t') {
      if (lines == 0) return false;
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos) return false;
    for (std::size_t i = 0; i < colon; ++i) {
      const char c = line[i];
      if (c <= ' ' || c > '~') return false;
    }
    if (StartsWithNoCase(line, 0, "mime-version:")) mime = true;
    if (StartsWithNoCase(line, 0, "content-type:")) {
      const std::size_t value = SkipSpace(line, 13);
      if (StartsWithNoCase(line, value, "multipart/")) multipart = true;
      if (StartsWithNoCase(line, value, "text/html")) html = true;
    }
  }
  if (multipart) return FindNoCase(s, "text/html", at) != std::string_view::npos;
  return html && mime;
}

bool HasBinarySignature(const std::uint8_t* data, std::size_t size) {
  static const std::string_view kSignatures[] = {
      std::string_view("%PDF-"),
      std::string_view("\x89PNG", 4),
      std::string_view("GIF87a"),
      std::string_view("GIF89a"),
      std::string_view("\xFF\xD8\xFF", 3),
      std::string_view("\xFFWPC", 4),
      std::string_view("Rar!"),
      std::string_view("7z\xBC\xAF", 4),
      std::string_view("\x1F\x8B", 2),
      std::string_view("BZh"),
      std::string_view("II*\0", 4),
      std::string_view("MM\0*", 4),
      std::string_view("%!PS-Adobe"),
      std::string_view("OggS"),
  };
  const std::string_view head(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 16));
  for (std::string_view sig : kSignatures) {
    if (head.size() >= sig.size() && head.compare(0, sig.size(), sig) == 0) return true;
  }
  return false;
}

bool LooksLikePlainText(const std::uint8_t* data, std::size_t size) {
  std::size_t bom = 0;
  const std::uint32_t cp = CodePageFromBom(data, size, &bom);
  if (cp == kCodePageUtf16Le || cp == kCodePageUtf16Be) return true;
  const std::size_t n = std::min<std::size_t>(size, 1 << 16);
  if (n == bom) return bom != 0;
  if (std::memchr(data, 0, n)) return false;
  std::size_t controls = 0;
  for (std::size_t i = bom; i < n; ++i) {
    const std::uint8_t b = data[i];
    // Tab, line feed, vertical tab, form feed, carriage return and the
    // end-of-file mark belong in text.
    if ((b < 0x20 && (b < 0x09 || b > 0x0D) && b != 0x1A) || b == 0x7F) ++controls;
  }
  // Text holds a control character now and then (an escape, a page
  // feed); data that is no text holds them everywhere.
  return controls * 20 <= n - bom;
}

}  // namespace wordfilt
