// A tolerant tokenizer of HTML bytes (in any encoding whose markup bytes are
// ASCII): text, start tags with their attributes, end tags. Comments,
// doctypes, processing instructions and other "<!...>" markup are skipped.
// It never fails: what is no markup is text, as in a browser.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace wordfilt {

struct HtmlAttribute {
  std::string_view name;   // as written (compare without regard to case)
  std::string_view value;  // raw: character references not yet decoded
};

struct HtmlToken {
  enum Kind { kText, kStartTag, kEndTag, kEnd };
  Kind kind = kEnd;
  std::string_view text;  // kText: the raw bytes
  // Tags: the name in ASCII lower case ("p", "o:p"); names longer than the
  // buffer are cut (no element we act on has such a name).
  char name[16] = {};
  std::size_t nameLength = 0;
  bool selfClosing = false;
  std::vector<HtmlAttribute> attributes;  // start tags only

  std::string_view Name() const { return std::string_view(name, nameLength); }
  // The value of the attribute of that (lower-case) name; empty when absent.
  std::string_view Attribute(std::string_view lowerName) const;
};

class HtmlTokenizer {
 public:
  HtmlTokenizer(const std::uint8_t* data, std::size_t size);

  // The next token; kEnd at the end of the data.
  void Next(HtmlToken& token);

  // For elements whose content is no markup (script, style, title...): the
  // bytes up to the matching end tag, which is consumed; the rest of the
  // data when there is none.
  std::string_view RawText(std::string_view lowerName);

  // Bytes consumed so far.
  std::size_t position() const { return pos_; }

 private:
  bool ReadTag(HtmlToken& token, bool end);
  void SkipComment();
  void SkipTo(char c);

  const char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

bool EqualsNoCase(std::string_view a, std::string_view lower);

}  // namespace wordfilt
