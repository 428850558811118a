#include "wordfilt/html/html_charset.h"

#include <algorithm>
#include <string_view>

#include "wordfilt/html/html_tokenizer.h"
#include "wordfilt/plaintext/text_decoder.h"

namespace wordfilt {
namespace {

constexpr std::size_t kPrescan = 16 << 10;

// The value after "charset=" (or "encoding=") in `text`, up to a quote,
// ';', space or the end.
std::string_view ValueAfter(std::string_view text, std::string_view key) {
  for (std::size_t i = 0; i + key.size() <= text.size(); ++i) {
    if (!EqualsNoCase(text.substr(i, key.size()), key)) continue;
    std::size_t at = i + key.size();
    while (at < text.size() && text[at] == ' ') ++at;
    if (at >= text.size() || text[at] != '=') continue;
    ++at;
    while (at < text.size() && (text[at] == ' ' || text[at] == '"' || text[at] == '\'')) ++at;
    std::size_t end = at;
    while (end < text.size() && text[end] != '"' && text[end] != '\'' && text[end] != ';' &&
           text[end] != ' ' && text[end] != '?' && text[end] != '>') {
      ++end;
    }
    return text.substr(at, end - at);
  }
  return {};
}

std::uint32_t Resolve(std::string_view label) {
  const std::uint32_t cp = CodePageFromCharset(label);
  return cp == kCodePageUtf16Le || cp == kCodePageUtf16Be ? kCodePageUtf8 : cp;
}

}  // namespace

std::uint32_t DeclaredCodePage(const std::uint8_t* data, std::size_t size) {
  if (!data) return 0;
  const std::size_t n = std::min(size, kPrescan);
  const std::string_view head(reinterpret_cast<const char*>(data), n);
  std::size_t start = 0;
  while (start < n && (head[start] == ' ' || head[start] == '\t' || head[start] == '\r' ||
                       head[start] == '\n')) {
    ++start;
  }
  if (head.compare(start, 5, "<?xml") == 0) {
    const std::size_t end = head.find("?>", start);
    if (end != std::string_view::npos) {
      if (std::uint32_t cp = Resolve(ValueAfter(head.substr(start, end - start), "encoding"))) {
        return cp;
      }
    }
  }
  HtmlTokenizer tokenizer(data, n);
  HtmlToken token;
  for (;;) {
    tokenizer.Next(token);
    if (token.kind == HtmlToken::kEnd) return 0;
    if (token.kind != HtmlToken::kStartTag) continue;
    const std::string_view name = token.Name();
    if (name == "body") return 0;
    if (name == "script" || name == "style" || name == "title") {
      tokenizer.RawText(name);
      continue;
    }
    if (name != "meta") continue;
    const std::string_view charset = token.Attribute("charset");
    if (!charset.empty()) {
      if (std::uint32_t cp = Resolve(charset)) return cp;
      continue;
    }
    if (EqualsNoCase(token.Attribute("http-equiv"), "content-type")) {
      if (std::uint32_t cp = Resolve(ValueAfter(token.Attribute("content"), "charset"))) return cp;
    }
  }
}

}  // namespace wordfilt
