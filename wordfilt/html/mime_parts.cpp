#include "wordfilt/html/mime_parts.h"

#include <algorithm>

namespace wordfilt {
namespace {

constexpr int kMaxDepth = 8;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerCopy(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Lower(c);
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

bool HasNameNoCase(std::string_view line, std::string_view lowerName) {
  if (line.size() < lowerName.size()) return false;
  for (std::size_t i = 0; i < lowerName.size(); ++i) {
    if (Lower(line[i]) != lowerName[i]) return false;
  }
  return true;
}

// "text/html; charset=\"utf-8\"; boundary=..." into the part's fields.
void ParseContentType(std::string_view value, MimePart* part) {
  std::size_t semi = value.find(';');
  part->type = LowerCopy(Trim(value.substr(0, semi)));
  while (semi != std::string_view::npos) {
    std::size_t at = semi + 1;
    while (at < value.size() && (value[at] == ' ' || value[at] == '\t')) ++at;
    const std::size_t eq = value.find('=', at);
    if (eq == std::string_view::npos) break;
    const std::string name = LowerCopy(Trim(value.substr(at, eq - at)));
    std::size_t v = eq + 1;
    while (v < value.size() && (value[v] == ' ' || value[v] == '\t')) ++v;
    std::string_view param;
    if (v < value.size() && value[v] == '"') {
      const std::size_t close = value.find('"', v + 1);
      param = value.substr(v + 1, close == std::string_view::npos ? close : close - v - 1);
      semi = close == std::string_view::npos ? close : value.find(';', close);
    } else {
      semi = value.find(';', v);
      param = Trim(value.substr(v, semi == std::string_view::npos ? semi : semi - v));
    }
    if (name == "charset") part->charset = std::string(param);
    if (name == "boundary") part->boundary = std::string(param);
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+' || c == '-') return 62;
  if (c == '/' || c == '_') return 63;
  return -1;
}

bool FindIn(std::string_view entity, std::string_view type, MimePart* found, int depth) {
  const MimePart part = ParseMimeEntity(entity);
  if (part.type.compare(0, 10, "multipart/") != 0) {
    if (part.type != type) return false;
    *found = part;
    return true;
  }
  if (part.boundary.empty() || depth >= kMaxDepth) return false;
  const std::string delimiter = "--" + part.boundary;
  const std::string_view body = part.body;
  // Delimiters start lines; the text before the first one is a preamble.
  std::size_t at = body.compare(0, delimiter.size(), delimiter) == 0 ? 0 : std::string_view::npos;
  if (at == std::string_view::npos) {
    const std::size_t hit = body.find("\n" + delimiter);
    if (hit == std::string_view::npos) return false;
    at = hit + 1;
  }
  for (;;) {
    std::size_t start = at + delimiter.size();
    if (body.compare(start, 2, "--") == 0) return false;  // the closing delimiter
    const std::size_t lineEnd = body.find('\n', start);
    if (lineEnd == std::string_view::npos) return false;
    start = lineEnd + 1;
    const std::size_t next = body.find("\n" + delimiter, start);
    std::size_t end = next == std::string_view::npos ? body.size() : next;
    if (end > start && body[end - 1] == '\r') --end;
    if (FindIn(body.substr(start, end - start), type, found, depth + 1)) return true;
    if (next == std::string_view::npos) return false;
    at = next + 1;
  }
}

}  // namespace

MimePart ParseMimeEntity(std::string_view entity) {
  MimePart part;
  std::string contentType, encoding;
  std::string* current = nullptr;  // the header that continued lines extend
  std::size_t at = 0;
  for (;;) {
    const std::size_t end = entity.find('\n', at);
    std::string_view line = entity.substr(at, end == std::string_view::npos ? end : end - at);
    at = end == std::string_view::npos ? entity.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) break;
    if (line[0] == ' ' || line[0] == '\t') {
      if (current && current->size() < 4096) current->append(" ").append(Trim(line));
    } else if (HasNameNoCase(line, "content-type:")) {
      contentType = std::string(Trim(line.substr(13)));
      current = &contentType;
    } else if (HasNameNoCase(line, "content-transfer-encoding:")) {
      encoding = std::string(Trim(line.substr(26)));
      current = &encoding;
    } else {
      current = nullptr;
    }
    if (end == std::string_view::npos) break;
  }
  part.body = entity.substr(std::min(at, entity.size()));
  ParseContentType(contentType, &part);
  if (part.type.empty()) part.type = "text/plain";
  part.encoding = LowerCopy(Trim(encoding));
  return part;
}

bool FindMimePart(std::string_view entity, std::string_view type, MimePart* found) {
  return FindIn(entity, type, found, 0);
}

std::string DecodeQuotedPrintable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '=') {
      const std::size_t next = text.find('=', i);
      const std::size_t end = next == std::string_view::npos ? text.size() : next;
      out.append(text.data() + i, end - i);
      i = end - 1;
      continue;
    }
    // A soft line break: "=" before the line end (perhaps after spaces).
    std::size_t j = i + 1;
    while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
    if (j < text.size() && (text[j] == '\r' || text[j] == '\n')) {
      if (text[j] == '\r' && j + 1 < text.size() && text[j + 1] == '\n') ++j;
      i = j;
      continue;
    }
    if (j == text.size()) break;
    const int hi = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
    const int lo = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
    if (hi < 0 || lo < 0) {
      out.push_back(c);  // no escape: kept as written
      continue;
    }
    out.push_back(static_cast<char>(hi << 4 | lo));
    i += 2;
  }
  return out;
}

std::string DecodeBase64(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3);
  std::uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    if (c == '=') break;
    const int v = Base64Value(c);
    if (v < 0) continue;  // line ends and stray characters
    bits = bits << 6 | static_cast<std::uint32_t>(v);
    if (++count == 4) {
      out.push_back(static_cast<char>(bits >> 16 & 0xFF));
      out.push_back(static_cast<char>(bits >> 8 & 0xFF));
      out.push_back(static_cast<char>(bits & 0xFF));
      bits = 0;
      count = 0;
    }
  }
  if (count == 2) {
    out.push_back(static_cast<char>(bits >> 4 & 0xFF));
  } else if (count == 3) {
    out.push_back(static_cast<char>(bits >> 10 & 0xFF));
    out.push_back(static_cast<char>(bits >> 2 & 0xFF));
  }
  return out;
}

std::string DecodeMimeBody(const MimePart& part) {
  if (part.encoding == "quoted-printable") return DecodeQuotedPrintable(part.body);
  if (part.encoding == "base64") return DecodeBase64(part.body);
  return std::string(part.body);
}

}  // namespace wordfilt
