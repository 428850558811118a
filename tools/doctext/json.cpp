#include "tools/doctext/json.h"

#include <climits>
#include <vector>

#include "platform/text.h"
#include "platform/utf.h"

namespace doctext {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The length of the well-formed UTF-8 sequence at s[0], or 0 (overlong
// forms, surrogates and values past U+10FFFF are not well-formed).
size_t SequenceLength(std::string_view s) {
  const unsigned char b0 = static_cast<unsigned char>(s[0]);
  size_t n;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < n) return 0;
  for (size_t i = 1; i < n; ++i) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < (i == 1 ? lo : 0x80) || b > (i == 1 ? hi : 0xBF)) return 0;
  }
  return n;
}

void AppendUtf16Le(std::string_view bytes, std::string* out) {
  const size_t units = bytes.size() / 2;
  auto unit = [&](size_t i) {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                 (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  };
  for (size_t i = 0; i < units; ++i) {
    const char16_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) <= 0xDFFF) {
      platform::AppendUtf8(0x10000 + ((char32_t(u) - 0xD800) << 10) + (unit(i + 1) - 0xDC00), out);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      platform::AppendUtf8(kReplacement, out);  // a lone surrogate
    } else {
      platform::AppendUtf8(u, out);
    }
  }
  if (bytes.size() % 2) platform::AppendUtf8(kReplacement, out);
}

}  // namespace

void AppendJsonString(std::string_view text, std::string* out) {
  static const char kHex[] = "0123456789abcdef";
  out->reserve(out->size() + text.size() + 2);
  out->push_back('"');
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const size_t n = SequenceLength(text.substr(i));
      if (n) {
        out->append(text.data() + i, n);
        i += n;
      } else {
        platform::AppendUtf8(kReplacement, out);
        ++i;
      }
      continue;
    }
    switch (c) {
      case '"': out->append("\\\""); break;
      case '\\': out->append("\\\\"); break;
      case '\n': out->append("\\n"); break;
      case '\r': out->append("\\r"); break;
      case '\t': out->append("\\t"); break;
      case '\b': out->append("\\b"); break;
      case '\f': out->append("\\f"); break;
      default:
        if (c < 0x20) {
          out->append("\\u00");
          out->push_back(kHex[c >> 4]);
          out->push_back(kHex[c & 15]);
        } else {
          out->push_back(static_cast<char>(c));
        }
    }
    ++i;
  }
  out->push_back('"');
}

bool DecodeToUtf8(long mode, std::string_view bytes, std::string* out) {
  if (mode == 65001) {
    out->append(bytes);
    return true;
  }
  if (mode == -3) {
    AppendUtf16Le(bytes, out);
    return true;
  }
  if (mode == -1 || mode < -3) return false;
  if (bytes.empty()) return true;
  if (bytes.size() > static_cast<size_t>(INT_MAX)) return false;
  const UINT codePage = mode == -2 ? GetACP() : static_cast<UINT>(mode);
  const int size = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  if (units <= 0) return false;
  std::vector<WCHAR> wide(static_cast<size_t>(units));
  if (MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), units) != units)
    return false;
  AppendUtf16Le(std::string_view(reinterpret_cast<const char*>(wide.data()), wide.size() * 2), out);
  return true;
}

}  // namespace doctext
