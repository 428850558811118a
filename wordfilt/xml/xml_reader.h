// A streaming XML pull parser: start tags with their attributes, end tags and
// character data, one event at a time, from a buffer that holds only the
// current piece of the document. It never builds a tree.
//
// - Text and attribute values are handed out in UTF-8 with the predefined
//   entities and character references replaced. Other entity references stay
//   as written: no DTD is read and nothing external is ever fetched.
// - CDATA sections are text; comments, processing instructions and the
//   document type declaration are skipped.
// - Names are resolved against the namespace declarations in scope; callers
//   name the namespace URIs they care about and get their ids back, so any
//   prefix works.
// - UTF-8 (with or without a byte-order mark), UTF-16 (by its mark or its
//   first characters), ISO-8859-1, Windows-1252 and US-ASCII by declaration.
// - Malformed input never stops the reader with more than an error event:
//   end events always balance start events, even for a truncated document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "wordfilt/xml/xml_input.h"

namespace wordfilt::xml {

// Namespace ids: the caller's own (0 and up), or one of these.
constexpr int kNoNamespace = -1;
constexpr int kOtherNamespace = -2;

enum class Event { kStart, kEnd, kText, kEndOfDocument, kError };

struct Attribute {
  int ns = kNoNamespace;
  std::string_view local;
  std::string_view value;
};

struct NamespaceId {
  std::string_view uri;
  int id;
};

class Reader {
 public:
  // `namespaces` (the URIs the caller tells apart) must outlive the reader;
  // several URIs may share an id.
  Reader(Input& input, const NamespaceId* namespaces, std::size_t count);

  Event Next();

  // The element of the last kStart or kEnd.
  int ns() const { return ns_; }
  std::string_view local() const { return local_; }
  // Attributes of the last kStart.
  const std::vector<Attribute>& attributes() const { return attributes_; }
  // The value of an attribute, or an empty view when it is absent.
  std::string_view Attr(int ns, std::string_view local) const;
  bool HasAttr(int ns, std::string_view local) const;
  // Character data of the last kText; a long run of text may arrive in
  // several events.
  std::string_view text() const { return text_; }
  // Elements open around the current event (a kStart counts itself).
  std::size_t depth() const { return frames_.size(); }
  // After a kStart: skips the element's content and its end event.
  void Skip();

  // Whether the input was malformed or exceeded a limit.
  bool failed() const { return failed_; }

 private:
  enum class Encoding { kUtf8, kUtf16Le, kUtf16Be, kLatin1, kWindows1252 };
  struct Frame {
    int ns;
    std::size_t name;  // offset into names_
    std::size_t nameLength;
    std::size_t bindings;  // bindings_ in scope before this element
  };
  struct Binding {
    std::string prefix;
    int id;
  };

  bool Fill();
  bool FillMore(std::size_t have);
  std::size_t Decode(const std::uint8_t* raw, std::size_t n, char* out);
  void DetectEncoding();
  // Each reads one construct at pos_; false when it produced no event.
  bool ReadMarkup();
  bool ReadStartTag();
  bool ReadEndTag();
  bool ReadText();
  bool ReadCdata();
  bool SkipPast(std::string_view terminator);
  bool SkipDoctype();
  bool Grow();
  Event Unwind();
  void PopFrame();
  int Resolve(std::string_view prefix, bool isAttribute) const;
  int LookupUri(std::string_view uri) const;
  Event Fail();

  Input& input_;
  const NamespaceId* namespaces_;
  std::size_t namespaceCount_;
  Encoding encoding_ = Encoding::kUtf8;
  bool started_ = false;
  bool eof_ = false;
  bool failed_ = false;
  bool pendingEnd_ = false;  // the last start tag closed itself
  bool closing_ = false;     // unwinding open elements at the end of input
  bool popPending_ = false;  // the last event ended the top frame
  bool inCdata_ = false;     // a long CDATA section continues
  Event event_ = Event::kEndOfDocument;

  std::vector<char> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::vector<std::uint8_t> raw_;
  std::size_t rawLength_ = 0;  // undecoded bytes carried over in raw_
  char16_t highSurrogate_ = 0;

  std::vector<Frame> frames_;
  std::string names_;
  std::vector<Binding> bindings_;
  // Counts changes of bindings_: the last prefix resolved stays valid until then.
  std::uint64_t bindingsVersion_ = 1;
  mutable std::string cachePrefix_;
  mutable int cacheId_ = kNoNamespace;
  mutable std::uint64_t cacheVersion_ = 0;

  int ns_ = kNoNamespace;
  std::string_view local_;
  std::vector<Attribute> attributes_;
  // Where the current tag's attributes lie, relative to the tag's start.
  struct RawAttribute {
    std::size_t name, nameLength, value, valueLength;
  };
  // An attribute value: in the buffer, or unescaped into attributeValues_.
  struct Value {
    bool copied;
    std::size_t at, length;
  };
  std::vector<RawAttribute> rawAttributes_;
  std::vector<Value> values_;
  std::string attributeValues_;
  std::string_view text_;
  std::string textScratch_;
};

}  // namespace wordfilt::xml
