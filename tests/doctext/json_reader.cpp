#include "json_reader.h"

#include <cstdlib>

namespace doctext_test {
namespace {

struct Parser {
  const std::string& s;
  size_t i = 0;
  std::string error;

  bool Fail(const std::string& why) {
    if (error.empty()) error = why + " at " + std::to_string(i);
    return false;
  }
  void Space() {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) ++i;
  }
  bool Literal(const char* word) {
    const std::string w(word);
    if (s.compare(i, w.size(), w) != 0) return Fail("expected " + w);
    i += w.size();
    return true;
  }
  static void Put(unsigned long c, std::string* out) {
    if (c < 0x80) {
      *out += char(c);
    } else if (c < 0x800) {
      *out += char(0xC0 | (c >> 6));
      *out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *out += char(0xE0 | (c >> 12));
      *out += char(0x80 | ((c >> 6) & 0x3F));
      *out += char(0x80 | (c & 0x3F));
    } else {
      *out += char(0xF0 | (c >> 18));
      *out += char(0x80 | ((c >> 12) & 0x3F));
      *out += char(0x80 | ((c >> 6) & 0x3F));
      *out += char(0x80 | (c & 0x3F));
    }
  }
  bool Hex4(unsigned long* v) {
    if (i + 4 > s.size()) return Fail("short \\u escape");
    *v = std::strtoul(s.substr(i, 4).c_str(), nullptr, 16);
    i += 4;
    return true;
  }
  // One UTF-8 sequence, checked as strictly as RFC 3629 asks.
  bool Utf8(std::string* out) {
    const unsigned char b = s[i];
    int n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
    if (!n || b < 0xC2 || b > 0xF4 || i + n > s.size()) return Fail("bad UTF-8 lead byte");
    unsigned long c = b & (0x7F >> n);
    for (int k = 1; k < n; ++k) {
      const unsigned char t = s[i + k];
      if ((t & 0xC0) != 0x80) return Fail("bad UTF-8 continuation");
      c = (c << 6) | (t & 0x3F);
    }
    if ((n == 3 && c < 0x800) || (n == 4 && c < 0x10000) || c > 0x10FFFF ||
        (c >= 0xD800 && c <= 0xDFFF))
      return Fail("bad UTF-8 value");
    out->append(s, i, n);
    i += n;
    return true;
  }
  bool String(std::string* out) {
    if (s[i] != '"') return Fail("expected string");
    ++i;
    while (i < s.size() && s[i] != '"') {
      const unsigned char c = s[i];
      if (c < 0x20) return Fail("raw control character in string");
      if (c >= 0x80) {
        if (!Utf8(out)) return false;
        continue;
      }
      if (c != '\\') {
        *out += char(c);
        ++i;
        continue;
      }
      if (++i >= s.size()) return Fail("short escape");
      const char e = s[i++];
      switch (e) {
        case '"': *out += '"'; break;
        case '\\': *out += '\\'; break;
        case '/': *out += '/'; break;
        case 'b': *out += '\b'; break;
        case 'f': *out += '\f'; break;
        case 'n': *out += '\n'; break;
        case 'r': *out += '\r'; break;
        case 't': *out += '\t'; break;
        case 'u': {
          unsigned long v;
          if (!Hex4(&v)) return false;
          if (v >= 0xD800 && v <= 0xDBFF) {
            unsigned long lo;
            if (!Literal("\\u") || !Hex4(&lo) || lo < 0xDC00 || lo > 0xDFFF)
              return Fail("lone surrogate escape");
            v = 0x10000 + ((v - 0xD800) << 10) + (lo - 0xDC00);
          } else if (v >= 0xDC00 && v <= 0xDFFF) {
            return Fail("lone surrogate escape");
          }
          Put(v, out);
          break;
        }
        default: return Fail("unknown escape");
      }
    }
    if (i >= s.size()) return Fail("unterminated string");
    ++i;
    return true;
  }
  bool Value(Json* v) {
    Space();
    if (i >= s.size()) return Fail("expected value");
    const char c = s[i];
    if (c == '{') {
      v->kind = Json::kObject;
      ++i;
      Space();
      if (i < s.size() && s[i] == '}') {
        ++i;
        return true;
      }
      for (;;) {
        Space();
        std::string key;
        if (!String(&key)) return false;
        Space();
        if (i >= s.size() || s[i++] != ':') return Fail("expected ':'");
        auto child = std::make_shared<Json>();
        if (!Value(child.get())) return false;
        if (v->object.count(key)) return Fail("duplicate key " + key);
        v->object[key] = child;
        v->order += (v->order.empty() ? "" : ",") + key;
        Space();
        if (i < s.size() && s[i] == ',') {
          ++i;
          continue;
        }
        if (i < s.size() && s[i] == '}') {
          ++i;
          return true;
        }
        return Fail("expected ',' or '}'");
      }
    }
    if (c == '"') {
      v->kind = Json::kString;
      return String(&v->string);
    }
    if (c == 't' || c == 'f') {
      v->kind = Json::kBool;
      v->boolean = c == 't';
      return Literal(c == 't' ? "true" : "false");
    }
    if (c == 'n') return Literal("null");
    if (c == '-' || (c >= '0' && c <= '9')) {
      v->kind = Json::kNumber;
      char* end = nullptr;
      v->number = std::strtod(s.c_str() + i, &end);
      i = size_t(end - s.c_str());
      return true;
    }
    return Fail("unexpected character");
  }
};

}  // namespace

const Json& Json::operator[](const std::string& key) const {
  static const Json kMissing;
  auto it = object.find(key);
  return it == object.end() ? kMissing : *it->second;
}

bool ParseJson(const std::string& text, Json* out, std::string* error) {
  Parser p{text, 0, {}};
  bool ok = p.Value(out);
  p.Space();
  if (ok && p.i != text.size()) ok = p.Fail("text after the value");
  if (!ok) *error = p.error;
  return ok;
}

}  // namespace doctext_test
