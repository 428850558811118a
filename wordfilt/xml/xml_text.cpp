#include "wordfilt/xml/xml_text.h"

#include <algorithm>
#include <cstring>

namespace wordfilt::xml {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
// Longer references than "&#x10FFFF;" or "&quot;" are no references we know.
constexpr std::size_t kMaxReference = 12;

bool AllowedChar(char32_t c) {
  if (c < 0x20) return c == 0x09 || c == 0x0A || c == 0x0D;
  if (c >= 0xD800 && c <= 0xDFFF) return false;
  return c != 0xFFFE && c != 0xFFFF && c <= 0x10FFFF;
}

// The character a reference body (between "&" and ";") stands for, or 0.
char32_t Reference(std::string_view name) {
  if (name == "amp") return '&';
  if (name == "lt") return '<';
  if (name == "gt") return '>';
  if (name == "quot") return '"';
  if (name == "apos") return '\'';
  if (name.size() < 2 || name[0] != '#') return 0;
  const bool hex = name[1] == 'x';
  std::size_t i = hex ? 2 : 1;
  if (i == name.size()) return 0;
  char32_t value = 0;
  for (; i < name.size(); ++i) {
    const char c = name[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return 0;
    }
    value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    if (value > 0x10FFFF) return kReplacement;
  }
  return AllowedChar(value) ? value : kReplacement;
}

}  // namespace

bool NeedsUnescape(std::string_view raw, bool attribute) {
  if (!attribute) {
    return std::memchr(raw.data(), '&', raw.size()) != nullptr ||
           std::memchr(raw.data(), '\r', raw.size()) != nullptr;
  }
  for (char c : raw) {
    if (c == '&' || c == '\r' || (attribute && (c == '\t' || c == '\n'))) return true;
  }
  return false;
}

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void AppendUnescaped(std::string_view raw, std::string& out, bool attribute) {
  const std::size_t n = raw.size();
  std::size_t i = 0;
  while (i < n) {
    const char c = raw[i];
    if (c == '&') {
      const std::size_t limit = std::min(n, i + kMaxReference);
      std::size_t semi = i + 1;
      while (semi < limit && raw[semi] != ';') ++semi;
      const char32_t value =
          semi < limit ? Reference(raw.substr(i + 1, semi - i - 1)) : char32_t{0};
      if (value != 0) {
        AppendUtf8(value, out);
        i = semi + 1;
        continue;
      }
      out.push_back('&');
    } else if (c == '\r') {
      // Line ends are normalised to line feeds, in attributes to spaces.
      if (i + 1 < n && raw[i + 1] == '\n') ++i;
      out.push_back(attribute ? ' ' : '\n');
    } else if (attribute && (c == '\t' || c == '\n')) {
      out.push_back(' ');
    } else {
      out.push_back(c);
    }
    ++i;
  }
}

void AppendUtf16(std::string_view utf8, std::u16string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  const std::size_t base = out.size();
  out.resize(base + n);  // never more units than bytes
  char16_t* o = out.data() + base;
  std::size_t i = 0;
  while (i < n) {
    // ASCII eight bytes at a time, the bulk of any document.
    while (i + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, p + i, 8);
      if (word & 0x8080808080808080ull) break;
      for (int k = 0; k < 8; ++k) *o++ = p[i + k];
      i += 8;
    }
    if (i >= n) break;
    const unsigned char b = p[i];
    if (b < 0x80) {
      *o++ = b;
      ++i;
      continue;
    }
    char32_t c = kReplacement;
    std::size_t length = 1;
    if (b >= 0xC2 && b < 0xE0 && i + 1 < n && (p[i + 1] & 0xC0) == 0x80) {
      c = ((b & 0x1Fu) << 6) | (p[i + 1] & 0x3Fu);
      length = 2;
    } else if (b >= 0xE0 && b < 0xF0 && i + 2 < n && (p[i + 1] & 0xC0) == 0x80 &&
               (p[i + 2] & 0xC0) == 0x80) {
      c = ((b & 0x0Fu) << 12) | ((p[i + 1] & 0x3Fu) << 6) | (p[i + 2] & 0x3Fu);
      length = 3;
      if (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    } else if (b >= 0xF0 && b < 0xF5 && i + 3 < n && (p[i + 1] & 0xC0) == 0x80 &&
               (p[i + 2] & 0xC0) == 0x80 && (p[i + 3] & 0xC0) == 0x80) {
      c = ((b & 0x07u) << 18) | ((p[i + 1] & 0x3Fu) << 12) | ((p[i + 2] & 0x3Fu) << 6) |
          (p[i + 3] & 0x3Fu);
      length = 4;
      if (c < 0x10000 || c > 0x10FFFF) c = kReplacement;
    }
    i += length;
    if (c >= 0x10000) {
      c -= 0x10000;
      *o++ = static_cast<char16_t>(0xD800 + (c >> 10));
      *o++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      *o++ = static_cast<char16_t>(c);
    }
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
}

}  // namespace wordfilt::xml
