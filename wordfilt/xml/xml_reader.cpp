#include "wordfilt/xml/xml_reader.h"

#include <algorithm>
#include <cstring>

#include "wordfilt/xml/xml_text.h"

namespace wordfilt::xml {
namespace {

constexpr std::size_t kInitialBuffer = 256 * 1024;
// No tag, comment or declaration of a real document comes near this.
constexpr std::size_t kMaxBuffer = 32 * 1024 * 1024;
// Text longer than this is handed out in pieces.
constexpr std::size_t kTextPiece = 64 * 1024;
constexpr std::size_t kMaxDepth = 100000;
constexpr std::size_t kMaxDeclaration = 256;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsNameEnd(char c) { return IsSpace(c) || c == '>' || c == '/' || c == '='; }

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Windows-1252's characters at 0x80-0x9F; the rest is ISO-8859-1.
constexpr char16_t kWindows1252[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

std::size_t PutUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

}  // namespace

Reader::Reader(Input& input, const NamespaceId* namespaces, std::size_t count)
    : input_(input), namespaces_(namespaces), namespaceCount_(namespaces ? count : 0) {}

std::string_view Reader::Attr(int ns, std::string_view local) const {
  for (const Attribute& a : attributes_) {
    if (a.ns == ns && a.local == local) return a.value;
  }
  return std::string_view();
}

bool Reader::HasAttr(int ns, std::string_view local) const {
  for (const Attribute& a : attributes_) {
    if (a.ns == ns && a.local == local) return true;
  }
  return false;
}

Event Reader::Fail() {
  failed_ = true;
  closing_ = true;
  return Unwind();
}

// Ends the open elements one event at a time, then reports the end.
Event Reader::Unwind() {
  if (frames_.empty()) return failed_ ? Event::kError : Event::kEndOfDocument;
  const Frame& f = frames_.back();
  ns_ = f.ns;
  local_ = std::string_view(names_).substr(f.name, f.nameLength);
  popPending_ = true;
  return Event::kEnd;
}

void Reader::PopFrame() {
  popPending_ = false;
  if (frames_.empty()) return;
  const Frame& f = frames_.back();
  names_.resize(f.name);
  if (bindings_.size() != f.bindings) {
    bindings_.resize(f.bindings);
    ++bindingsVersion_;
  }
  frames_.pop_back();
}

Event Reader::Next() {
  if (popPending_) PopFrame();
  text_ = std::string_view();
  if (pendingEnd_) {
    pendingEnd_ = false;
    return Unwind();
  }
  if (closing_) return Unwind();
  if (!started_) {
    started_ = true;
    DetectEncoding();
  }
  for (;;) {
    if (pos_ == end_ && !Fill()) {
      // Elements still open: the document was cut short.
      if (failed_ || !frames_.empty()) return Fail();
      closing_ = true;
      return Unwind();
    }
    bool produced;
    if (inCdata_) {
      produced = ReadCdata();
    } else if (buffer_[pos_] != '<') {
      produced = ReadText();
    } else {
      produced = ReadMarkup();
    }
    if (failed_) return Fail();
    if (produced) return event_;
  }
}

void Reader::Skip() {
  const std::size_t target = frames_.size();
  if (target == 0) return;
  for (;;) {
    const Event e = Next();
    if (e == Event::kEndOfDocument || e == Event::kError) return;
    if (e == Event::kEnd && frames_.size() == target) return;
  }
}

// --- Input and encodings ----------------------------------------------------

void Reader::DetectEncoding() {
  buffer_.resize(kInitialBuffer);
  raw_.resize(kInitialBuffer / 2);
  // Enough bytes for the byte-order mark and the declaration.
  while (rawLength_ < kMaxDeclaration) {
    const std::size_t n = input_.Read(raw_.data() + rawLength_, kMaxDeclaration - rawLength_);
    if (n == 0) break;
    rawLength_ += n;
  }
  const std::uint8_t* r = raw_.data();
  std::size_t skip = 0;
  if (rawLength_ >= 3 && r[0] == 0xEF && r[1] == 0xBB && r[2] == 0xBF) {
    skip = 3;
  } else if (rawLength_ >= 2 && r[0] == 0xFF && r[1] == 0xFE) {
    encoding_ = Encoding::kUtf16Le;
    skip = 2;
  } else if (rawLength_ >= 2 && r[0] == 0xFE && r[1] == 0xFF) {
    encoding_ = Encoding::kUtf16Be;
    skip = 2;
  } else if (rawLength_ >= 2 && r[0] == '<' && r[1] == 0) {
    encoding_ = Encoding::kUtf16Le;
  } else if (rawLength_ >= 2 && r[0] == 0 && r[1] == '<') {
    encoding_ = Encoding::kUtf16Be;
  } else {
    // An 8-bit encoding: the declaration names it.
    const std::string_view head(reinterpret_cast<const char*>(r), rawLength_);
    if (head.compare(0, 5, "<?xml") == 0) {
      const std::size_t close = head.find("?>");
      const std::size_t at = head.find("encoding", 0);
      if (at != std::string_view::npos && at < close) {
        std::size_t q = at + 8;
        while (q < head.size() && (IsSpace(head[q]) || head[q] == '=')) ++q;
        if (q < head.size() && (head[q] == '"' || head[q] == '\'')) {
          const std::size_t e = head.find(head[q], q + 1);
          if (e != std::string_view::npos) {
            const std::string name = Lower(head.substr(q + 1, e - q - 1));
            if (name == "iso-8859-1" || name == "latin1" || name == "iso_8859-1" || name == "l1") {
              encoding_ = Encoding::kLatin1;
            } else if (name == "windows-1252" || name == "cp1252") {
              encoding_ = Encoding::kWindows1252;
            }
          }
        }
      }
    }
  }
  std::memmove(raw_.data(), raw_.data() + skip, rawLength_ - skip);
  rawLength_ -= skip;
  if (encoding_ == Encoding::kUtf8) {
    std::memcpy(buffer_.data(), raw_.data(), rawLength_);
    end_ = rawLength_;
    rawLength_ = 0;
  } else {
    end_ = Decode(raw_.data(), rawLength_, buffer_.data());
  }
}

// Decodes whole characters of raw_ into `out` (3 bytes per UTF-16 unit or
// 2 per byte at most) and keeps an incomplete trailing unit in raw_.
std::size_t Reader::Decode(const std::uint8_t* raw, std::size_t n, char* out) {
  char* o = out;
  if (encoding_ == Encoding::kLatin1 || encoding_ == Encoding::kWindows1252) {
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t b = raw[i];
      char32_t c = b;
      if (encoding_ == Encoding::kWindows1252 && b >= 0x80 && b < 0xA0) {
        c = kWindows1252[b - 0x80];
      }
      o += PutUtf8(c, o);
    }
    rawLength_ = 0;
    return static_cast<std::size_t>(o - out);
  }
  const bool little = encoding_ == Encoding::kUtf16Le;
  std::size_t i = 0;
  for (; i + 2 <= n; i += 2) {
    const char16_t u = little ? static_cast<char16_t>(raw[i] | (raw[i + 1] << 8))
                              : static_cast<char16_t>((raw[i] << 8) | raw[i + 1]);
    if (highSurrogate_ != 0) {
      const char16_t high = highSurrogate_;
      highSurrogate_ = 0;
      if (u >= 0xDC00 && u <= 0xDFFF) {
        o += PutUtf8(0x10000 + ((char32_t{high} - 0xD800) << 10) + (u - 0xDC00), o);
        continue;
      }
      o += PutUtf8(0xFFFD, o);
    }
    if (u >= 0xD800 && u <= 0xDBFF) {
      highSurrogate_ = u;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      o += PutUtf8(0xFFFD, o);
    } else {
      o += PutUtf8(u, o);
    }
  }
  // An odd byte waits for its partner.
  const std::size_t left = n - i;
  if (left != 0) std::memmove(raw_.data(), raw + i, left);
  rawLength_ = left;
  return static_cast<std::size_t>(o - out);
}

bool Reader::Grow() {
  if (buffer_.size() >= kMaxBuffer) {
    failed_ = true;
    return false;
  }
  buffer_.resize(buffer_.size() * 2);
  return true;
}

// Adds input after end_, first moving what is left to the buffer's start.
// False when nothing could be added.
bool Reader::Fill() {
  if (eof_) return false;
  if (pos_ != 0) {
    std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  for (;;) {
    std::size_t space = buffer_.size() - end_;
    if (encoding_ == Encoding::kUtf8) {
      if (space == 0) {
        if (!Grow()) return false;
        continue;
      }
      const std::size_t n =
          input_.Read(reinterpret_cast<std::uint8_t*>(buffer_.data()) + end_, space);
      if (n == 0) {
        eof_ = true;
        return false;
      }
      end_ += n;
      return true;
    }
    // Room for the decoded form of what one read brings.
    const std::size_t rawRoom =
        encoding_ == Encoding::kLatin1 || encoding_ == Encoding::kWindows1252
            ? space / 2
            : space / 2 * 2 / 3 / 2 * 2;
    if (rawRoom <= rawLength_ + 4) {
      if (!Grow()) return false;
      continue;
    }
    const std::size_t want = std::min(rawRoom, raw_.size()) - rawLength_;
    const std::size_t n = input_.Read(raw_.data() + rawLength_, want);
    if (n == 0) {
      eof_ = true;
      if (rawLength_ != 0 || highSurrogate_ != 0) {
        // A truncated last character.
        rawLength_ = 0;
        highSurrogate_ = 0;
        end_ += PutUtf8(0xFFFD, buffer_.data() + end_);
        return true;
      }
      return false;
    }
    const std::size_t before = end_;
    end_ += Decode(raw_.data(), rawLength_ + n, buffer_.data() + end_);
    if (end_ != before) return true;
  }
}

// Fills until at least twice `have` bytes wait at pos_ (or the input ends),
// so that a token read again after each fill costs linear time in all.
bool Reader::FillMore(std::size_t have) {
  bool added = false;
  do {
    if (!Fill()) return added;
    added = true;
  } while (end_ - pos_ < 2 * have);
  return added;
}

// --- Tokens ---------------------------------------------------------------

bool Reader::ReadText() {
  const char* base = buffer_.data();
  const void* lt = std::memchr(base + pos_, '<', end_ - pos_);
  while (lt == nullptr && !eof_ && end_ - pos_ < kTextPiece) {
    // Only what the fill added needs looking at.
    const std::size_t seen = end_ - pos_;
    if (!Fill()) break;
    base = buffer_.data();
    lt = std::memchr(base + pos_ + seen, '<', end_ - pos_ - seen);
  }
  std::size_t stop = lt ? static_cast<std::size_t>(static_cast<const char*>(lt) - base) : end_;
  if (lt == nullptr && !eof_) {
    // A piece of a long text: never cut a reference or a UTF-8 sequence.
    const std::size_t floor = pos_ + (stop - pos_) / 2;
    for (std::size_t k = stop; k > stop - std::min<std::size_t>(stop - floor, 16);) {
      --k;
      if (base[k] == ';') break;
      if (base[k] == '&') {
        stop = k;
        break;
      }
    }
    std::size_t back = 0;
    while (stop > floor && back < 4 &&
           (static_cast<unsigned char>(base[stop - 1]) & 0xC0) == 0x80) {
      --stop;
      ++back;
    }
    if (stop > floor && static_cast<unsigned char>(base[stop - 1]) >= 0xC0) --stop;
  }
  const std::string_view raw(base + pos_, stop - pos_);
  pos_ = stop;
  if (raw.empty()) return false;
  if (NeedsUnescape(raw, false)) {
    textScratch_.clear();
    AppendUnescaped(raw, textScratch_, false);
    text_ = textScratch_;
  } else {
    text_ = raw;
  }
  event_ = Event::kText;
  return true;
}

bool Reader::ReadCdata() {
  for (;;) {
    const std::string_view view(buffer_.data() + pos_, end_ - pos_);
    const std::size_t close = view.find("]]>");
    if (close != std::string_view::npos) {
      text_ = view.substr(0, close);
      pos_ += close + 3;
      inCdata_ = false;
      event_ = Event::kText;
      return !text_.empty();
    }
    if (eof_ || view.size() >= kTextPiece) {
      // Hand out what is here, keeping what may start the terminator.
      std::size_t take = view.size() > 2 ? view.size() - 2 : 0;
      while (take > 0 && (static_cast<unsigned char>(view[take]) & 0xC0) == 0x80) --take;
      if (eof_) take = view.size();
      text_ = view.substr(0, take);
      pos_ += take;
      if (eof_) inCdata_ = false;
      event_ = Event::kText;
      return !text_.empty();
    }
    if (!FillMore(view.size()) && !eof_) return false;
  }
}

bool Reader::SkipPast(std::string_view terminator) {
  for (;;) {
    const std::string_view view(buffer_.data() + pos_, end_ - pos_);
    const std::size_t at = view.find(terminator);
    if (at != std::string_view::npos) {
      pos_ += at + terminator.size();
      return true;
    }
    // Keep only what may begin the terminator.
    if (view.size() >= terminator.size()) pos_ = end_ - (terminator.size() - 1);
    if (!Fill()) {
      pos_ = end_;
      return false;
    }
  }
}

bool Reader::SkipDoctype() {
  // The internal subset is skipped unread: its entities are never expanded.
  int brackets = 0;
  char quote = 0;
  pos_ += 2;  // "<!"
  for (;;) {
    while (pos_ < end_) {
      const char c = buffer_[pos_++];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '<' && end_ - pos_ >= 3 && std::memcmp(&buffer_[pos_], "!--", 3) == 0) {
        // A comment in the internal subset may hold any bracket.
        pos_ += 3;
        if (!SkipPast("-->")) return false;
      } else if (c == '[') {
        ++brackets;
      } else if (c == ']') {
        if (brackets > 0) --brackets;
      } else if (c == '>' && brackets == 0) {
        return true;
      }
    }
    if (!Fill()) return false;
  }
}

bool Reader::ReadMarkup() {
  // Enough to tell the kinds of markup apart.
  while (end_ - pos_ < 9 && !eof_) {
    if (!Fill()) break;
  }
  const std::string_view head(buffer_.data() + pos_, std::min<std::size_t>(end_ - pos_, 9));
  if (head.size() < 2) {
    pos_ = end_;
    return false;
  }
  switch (head[1]) {
    case '?': SkipPast("?>"); return false;
    case '/': return ReadEndTag();
    case '!':
      if (head.compare(0, 4, "<!--") == 0) {
        pos_ += 4;
        SkipPast("-->");
        return false;
      }
      if (head.compare(0, 9, "<![CDATA[") == 0) {
        pos_ += 9;
        inCdata_ = true;
        return ReadCdata();
      }
      SkipDoctype();
      return false;
    default: return ReadStartTag();
  }
}

bool Reader::ReadEndTag() {
  if (!SkipPast(">")) return false;
  // The name is not checked: the innermost open element ends, so that events
  // stay balanced whatever the input.
  if (frames_.empty()) return false;
  Unwind();
  event_ = Event::kEnd;
  return true;
}

bool Reader::ReadStartTag() {
  std::size_t nameLength = 0;
  bool selfClosing = false;
  std::vector<RawAttribute>& attrs = rawAttributes_;
  // Offsets are relative to pos_, so that a fill that moves the buffer only
  // means reading the tag again.
  for (;;) {
    attrs.clear();
    const char* b = buffer_.data() + pos_;
    const std::size_t n = end_ - pos_;
    std::size_t i = 1;
    while (i < n && !IsNameEnd(b[i])) ++i;
    nameLength = i - 1;
    bool complete = false;
    while (i < n) {
      while (i < n && IsSpace(b[i])) ++i;
      if (i >= n) break;
      if (b[i] == '>') {
        complete = true;
        ++i;
        break;
      }
      if (b[i] == '/') {
        if (i + 1 >= n) break;
        if (b[i + 1] == '>') {
          selfClosing = true;
          complete = true;
          i += 2;
          break;
        }
        ++i;  // a stray slash
        continue;
      }
      const std::size_t name = i;
      while (i < n && !IsNameEnd(b[i])) ++i;
      const std::size_t attrNameLength = i - name;
      while (i < n && IsSpace(b[i])) ++i;
      if (i >= n) break;
      if (b[i] != '=') {
        if (attrNameLength == 0) ++i;  // junk: skip one character
        continue;                      // an attribute without a value
      }
      ++i;
      while (i < n && IsSpace(b[i])) ++i;
      if (i >= n) break;
      const char quote = b[i];
      if (quote != '"' && quote != '\'') {
        // An unquoted value, up to a space or the tag's end.
        const std::size_t value = i;
        while (i < n && !IsSpace(b[i]) && b[i] != '>') ++i;
        if (i >= n) break;
        attrs.push_back({name, attrNameLength, value, i - value});
        continue;
      }
      const void* close = std::memchr(b + i + 1, quote, n - i - 1);
      if (close == nullptr) {
        i = n;
        break;
      }
      const std::size_t valueEnd = static_cast<std::size_t>(static_cast<const char*>(close) - b);
      if (attrNameLength != 0) attrs.push_back({name, attrNameLength, i + 1, valueEnd - i - 1});
      i = valueEnd + 1;
    }
    if (complete) {
      // Parsed: now build the event from b.
      if (frames_.size() >= kMaxDepth) {
        failed_ = true;
        return false;
      }
      const std::string_view qname(b + 1, nameLength);
      Frame frame;
      frame.bindings = bindings_.size();
      attributeValues_.clear();
      // Values that need unescaping go to attributeValues_, the others stay
      // in the buffer; views are made once attributeValues_ stops growing.
      std::vector<Value>& values = values_;
      values.clear();
      for (const RawAttribute& a : attrs) {
        const std::string_view raw(b + a.value, a.valueLength);
        if (NeedsUnescape(raw, true)) {
          const std::size_t at = attributeValues_.size();
          AppendUnescaped(raw, attributeValues_, true);
          values.push_back({true, at, attributeValues_.size() - at});
        } else {
          values.push_back({false, a.value, a.valueLength});
        }
      }
      auto valueOf = [&](std::size_t k) {
        const Value& v = values[k];
        return v.copied ? std::string_view(attributeValues_).substr(v.at, v.length)
                        : std::string_view(b + v.at, v.length);
      };
      // Declarations first: they apply to the element's own name and attributes.
      for (std::size_t k = 0; k < attrs.size(); ++k) {
        const std::string_view name(b + attrs[k].name, attrs[k].nameLength);
        if (name == "xmlns") {
          const std::string_view uri = valueOf(k);
          bindings_.push_back({std::string(), uri.empty() ? kNoNamespace : LookupUri(uri)});
          ++bindingsVersion_;
        } else if (name.size() > 6 && name.compare(0, 6, "xmlns:") == 0) {
          bindings_.push_back({std::string(name.substr(6)), LookupUri(valueOf(k))});
          ++bindingsVersion_;
        }
      }
      attributes_.clear();
      for (std::size_t k = 0; k < attrs.size(); ++k) {
        const std::string_view name(b + attrs[k].name, attrs[k].nameLength);
        if (name == "xmlns" || name.compare(0, 6, "xmlns:") == 0) continue;
        Attribute attribute;
        const std::size_t colon = name.find(':');
        if (colon == std::string_view::npos) {
          attribute.local = name;
        } else {
          attribute.ns = Resolve(name.substr(0, colon), true);
          attribute.local = name.substr(colon + 1);
        }
        attribute.value = valueOf(k);
        attributes_.push_back(attribute);
      }
      const std::size_t colon = qname.find(':');
      if (colon == std::string_view::npos) {
        ns_ = Resolve(std::string_view(), false);
        local_ = qname;
      } else {
        ns_ = Resolve(qname.substr(0, colon), false);
        local_ = qname.substr(colon + 1);
      }
      frame.ns = ns_;
      frame.name = names_.size();
      frame.nameLength = local_.size();
      names_.append(local_);
      frames_.push_back(frame);
      pos_ += i;
      pendingEnd_ = selfClosing;
      event_ = Event::kStart;
      return true;
    }
    if (eof_ || !FillMore(end_ - pos_)) {
      // A tag cut off by the end of the input.
      if (!failed_) failed_ = true;
      pos_ = end_;
      return false;
    }
  }
}

// --- Namespaces ---------------------------------------------------------------

int Reader::LookupUri(std::string_view uri) const {
  for (std::size_t i = 0; i < namespaceCount_; ++i) {
    if (namespaces_[i].uri == uri) return namespaces_[i].id;
  }
  return kOtherNamespace;
}

int Reader::Resolve(std::string_view prefix, bool isAttribute) const {
  if (isAttribute && prefix.empty()) return kNoNamespace;
  if (prefix == "xml") return kOtherNamespace;
  if (!isAttribute && cacheVersion_ == bindingsVersion_ && prefix == cachePrefix_) {
    return cacheId_;
  }
  int id = prefix.empty() ? kNoNamespace : kOtherNamespace;
  for (std::size_t i = bindings_.size(); i-- > 0;) {
    if (bindings_[i].prefix == prefix) {
      id = bindings_[i].id;
      break;
    }
  }
  if (!isAttribute) {
    cachePrefix_.assign(prefix);
    cacheId_ = id;
    cacheVersion_ = bindingsVersion_;
  }
  return id;
}

}  // namespace wordfilt::xml
