#include "wordfilt/html/html_tokenizer.h"

#include <cstring>

namespace wordfilt {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view lower) {
  if (a.size() != lower.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != lower[i]) return false;
  }
  return true;
}

std::string_view HtmlToken::Attribute(std::string_view lowerName) const {
  for (const HtmlAttribute& a : attributes) {
    if (EqualsNoCase(a.name, lowerName)) return a.value;
  }
  return {};
}

HtmlTokenizer::HtmlTokenizer(const std::uint8_t* data, std::size_t size)
    : data_(reinterpret_cast<const char*>(data)), size_(data ? size : 0) {}

void HtmlTokenizer::SkipTo(char c) {
  const void* hit = std::memchr(data_ + pos_, c, size_ - pos_);
  pos_ = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - data_) + 1 : size_;
}

void HtmlTokenizer::SkipComment() {
  // pos_ is just past "<!--". "<!-->" and "<!--->" are whole (empty) comments.
  if (pos_ < size_ && data_[pos_] == '>') {
    ++pos_;
    return;
  }
  if (pos_ + 1 < size_ && data_[pos_] == '-' && data_[pos_ + 1] == '>') {
    pos_ += 2;
    return;
  }
  std::size_t at = pos_;
  while (at < size_) {
    const void* hit = std::memchr(data_ + at, '-', size_ - at);
    if (!hit) break;
    at = static_cast<std::size_t>(static_cast<const char*>(hit) - data_);
    if (at + 2 < size_ && data_[at + 1] == '-' && data_[at + 2] == '>') {
      pos_ = at + 3;
      return;
    }
    if (at + 3 < size_ && data_[at + 1] == '-' && data_[at + 2] == '!' && data_[at + 3] == '>') {
      pos_ = at + 4;
      return;
    }
    ++at;
  }
  pos_ = size_;  // a comment the data never closes runs to its end
}

bool HtmlTokenizer::ReadTag(HtmlToken& token, bool end) {
  // pos_ is at the first letter of the name.
  token.kind = end ? HtmlToken::kEndTag : HtmlToken::kStartTag;
  token.nameLength = 0;
  token.selfClosing = false;
  token.attributes.clear();
  while (pos_ < size_ && !IsSpace(data_[pos_]) && data_[pos_] != '/' && data_[pos_] != '>') {
    if (token.nameLength < sizeof(token.name)) token.name[token.nameLength++] = Lower(data_[pos_]);
    ++pos_;
  }
  for (;;) {
    while (pos_ < size_ && (IsSpace(data_[pos_]) || data_[pos_] == '/')) {
      token.selfClosing = data_[pos_] == '/';
      ++pos_;
    }
    if (pos_ >= size_) return false;  // a tag cut off by the end is dropped
    if (data_[pos_] == '>') {
      ++pos_;
      return true;
    }
    token.selfClosing = false;
    const std::size_t nameAt = pos_;
    ++pos_;  // the first character belongs to the name, even '='
    while (pos_ < size_ && !IsSpace(data_[pos_]) && data_[pos_] != '/' && data_[pos_] != '>' &&
           data_[pos_] != '=') {
      ++pos_;
    }
    HtmlAttribute attribute;
    attribute.name = std::string_view(data_ + nameAt, pos_ - nameAt);
    std::size_t at = pos_;
    while (at < size_ && IsSpace(data_[at])) ++at;
    if (at < size_ && data_[at] == '=') {
      pos_ = at + 1;
      while (pos_ < size_ && IsSpace(data_[pos_])) ++pos_;
      if (pos_ >= size_) return false;
      const char quote = data_[pos_];
      if (quote == '"' || quote == '\'') {
        const void* close = std::memchr(data_ + pos_ + 1, quote, size_ - pos_ - 1);
        if (!close) {
          pos_ = size_;
          return false;
        }
        const std::size_t valueEnd =
            static_cast<std::size_t>(static_cast<const char*>(close) - data_);
        attribute.value = std::string_view(data_ + pos_ + 1, valueEnd - pos_ - 1);
        pos_ = valueEnd + 1;
      } else {
        const std::size_t valueAt = pos_;
        while (pos_ < size_ && !IsSpace(data_[pos_]) && data_[pos_] != '>') ++pos_;
        attribute.value = std::string_view(data_ + valueAt, pos_ - valueAt);
      }
    }
    // Bounded: a tag with thousands of attributes keeps the first ones.
    if (!end && token.attributes.size() < 64) token.attributes.push_back(attribute);
  }
}

void HtmlTokenizer::Next(HtmlToken& token) {
  while (pos_ < size_) {
    if (data_[pos_] != '<') {
      const std::size_t start = pos_;
      const void* lt = std::memchr(data_ + pos_, '<', size_ - pos_);
      pos_ = lt ? static_cast<std::size_t>(static_cast<const char*>(lt) - data_) : size_;
      token.kind = HtmlToken::kText;
      token.text = std::string_view(data_ + start, pos_ - start);
      return;
    }
    const std::size_t start = pos_;
    const char next = pos_ + 1 < size_ ? data_[pos_ + 1] : '\0';
    if (IsLetter(next)) {
      ++pos_;
      if (ReadTag(token, false)) return;
      continue;
    }
    if (next == '/') {
      const char first = pos_ + 2 < size_ ? data_[pos_ + 2] : '\0';
      if (IsLetter(first)) {
        pos_ += 2;
        if (ReadTag(token, true)) return;
        continue;
      }
      if (first == '>') {  // "</>" is nothing
        pos_ += 3;
        continue;
      }
      if (pos_ + 2 < size_) {  // "</ ..." and the like: a bogus comment
        pos_ += 2;
        SkipTo('>');
        continue;
      }
    }
    if (next == '!') {
      if (size_ - pos_ >= 4 && data_[pos_ + 2] == '-' && data_[pos_ + 3] == '-') {
        pos_ += 4;
        SkipComment();
      } else {
        pos_ += 2;  // doctype, "<![if ...]>", CDATA in HTML: skipped to '>'
        SkipTo('>');
      }
      continue;
    }
    if (next == '?') {
      pos_ += 2;
      SkipTo('>');
      continue;
    }
    // A '<' that starts no markup is text.
    const void* lt =
        pos_ + 1 < size_ ? std::memchr(data_ + pos_ + 1, '<', size_ - pos_ - 1) : nullptr;
    pos_ = lt ? static_cast<std::size_t>(static_cast<const char*>(lt) - data_) : size_;
    token.kind = HtmlToken::kText;
    token.text = std::string_view(data_ + start, pos_ - start);
    return;
  }
  token.kind = HtmlToken::kEnd;
  token.text = {};
}

std::string_view HtmlTokenizer::RawText(std::string_view lowerName) {
  const std::size_t start = pos_;
  std::size_t at = pos_;
  while (at < size_) {
    const void* lt = std::memchr(data_ + at, '<', size_ - at);
    if (!lt) break;
    at = static_cast<std::size_t>(static_cast<const char*>(lt) - data_);
    const std::size_t nameAt = at + 2;
    if (nameAt + lowerName.size() <= size_ && data_[at + 1] == '/' &&
        EqualsNoCase(std::string_view(data_ + nameAt, lowerName.size()), lowerName)) {
      const std::size_t after = nameAt + lowerName.size();
      if (after == size_ || IsSpace(data_[after]) || data_[after] == '/' || data_[after] == '>') {
        pos_ = after;
        SkipTo('>');
        return std::string_view(data_ + start, at - start);
      }
    }
    ++at;
  }
  pos_ = size_;
  return std::string_view(data_ + start, size_ - start);
}

}  // namespace wordfilt
