#include "wordfilt/isolation/protocol.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/prefault.h"

namespace wordfilt {
namespace isolation {
namespace {

class Writer {
 public:
  explicit Writer(std::size_t reserve) { bytes_.reserve(reserve); }
  void U32(std::uint32_t v) { Raw(&v, sizeof v); }
  void Units(const std::u16string& s) { Raw(s.data(), s.size() * sizeof(char16_t)); }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  void Raw(const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    bytes_.insert(bytes_.end(), b, b + n);
  }
  std::vector<std::uint8_t> bytes_;
};

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), left_(size) {}
  // Through volatile loads: the compiler may not read the field a second
  // time in place of the checked copy.
  bool U32(std::uint32_t* v) {
    if (left_ < sizeof *v) return false;
    const volatile std::uint8_t* p = data_;
    std::uint8_t bytes[sizeof *v];
    for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = p[i];
    std::memcpy(v, bytes, sizeof bytes);
    data_ += sizeof *v;
    left_ -= sizeof *v;
    return true;
  }
  // Straight from the reply where its units are aligned (the text of a
  // received reply is): assign copies with memcpy, so no unit is read as a
  // char16_t before it lands. Elsewhere through a small buffer, because resize
  // would first fill a long text with zeros one unit at a time.
  bool Units(std::size_t count, std::u16string* s) {
    if (count > left_ / sizeof(char16_t)) return false;
    if (reinterpret_cast<std::uintptr_t>(data_) % alignof(char16_t) == 0) {
      if (count * sizeof(char16_t) >= platform::kPrefaultMinBytes) {
        s->reserve(count);
        platform::PrefaultForWrite(s->data(), count * sizeof(char16_t));
      }
      s->assign(reinterpret_cast<const char16_t*>(data_), count);
      data_ += count * sizeof(char16_t);
      left_ -= count * sizeof(char16_t);
      return true;
    }
    s->clear();
    s->reserve(count);
    char16_t block[2048];
    while (count > 0) {
      const std::size_t n = std::min(count, sizeof block / sizeof block[0]);
      Raw(block, n * sizeof(char16_t));
      s->append(block, n);
      count -= n;
    }
    return true;
  }
  // The units where they lie, when aligned; false otherwise (nothing read).
  bool UnitsInPlace(std::size_t count, std::u16string_view* s) {
    if (count > left_ / sizeof(char16_t) ||
        reinterpret_cast<std::uintptr_t>(data_) % alignof(char16_t) != 0) {
      return false;
    }
    *s = std::u16string_view(reinterpret_cast<const char16_t*>(data_), count);
    data_ += count * sizeof(char16_t);
    left_ -= count * sizeof(char16_t);
    return true;
  }
  bool AtEnd() const { return left_ == 0; }

 private:
  bool Raw(void* p, std::size_t n) {
    if (n > left_) return false;
    if (n) std::memcpy(p, data_, n);
    data_ += n;
    left_ -= n;
    return true;
  }
  const std::uint8_t* data_;
  std::size_t left_;
};

}  // namespace

Outcome OutcomeOf(LoadStatus status) {
  switch (status) {
    case LoadStatus::kOk: return Outcome::kOk;
    case LoadStatus::kEncrypted: return Outcome::kEncrypted;
    case LoadStatus::kDamaged: return Outcome::kDamaged;
    case LoadStatus::kNotWord:
    default: return Outcome::kNotWord;
  }
}

// Layout: outcome, truncated, text units, chunk count, property count; the
// text; each chunk's offset, length, locale and break; each property's id,
// length and units.
ReplyParts EncodeResultParts(Outcome outcome, const DocumentText& doc) {
  const bool ok = outcome == Outcome::kOk;
  ReplyParts parts;
  Writer head(20);
  head.U32(static_cast<std::uint32_t>(outcome));
  head.U32(ok && doc.truncated ? 1 : 0);
  head.U32(ok ? static_cast<std::uint32_t>(doc.text.size()) : 0);
  head.U32(ok ? static_cast<std::uint32_t>(doc.chunks.size()) : 0);
  head.U32(ok ? static_cast<std::uint32_t>(doc.properties.size()) : 0);
  parts.head = head.Take();
  if (!ok) return parts;
  parts.text = doc.text.data();
  parts.textBytes = doc.text.size() * sizeof(char16_t);
  Writer tail(doc.chunks.size() * 16);
  for (const TextChunk& c : doc.chunks) {
    tail.U32(c.offset);
    tail.U32(c.length);
    tail.U32(c.locale);
    tail.U32(static_cast<std::uint32_t>(c.breakType));
  }
  for (const DocumentProperty& p : doc.properties) {
    tail.U32(p.id);
    tail.U32(static_cast<std::uint32_t>(p.value.size()));
    tail.Units(p.value);
  }
  parts.tail = tail.Take();
  return parts;
}

void ReplyParts::CopyTo(std::uint8_t* out) const {
  if (!head.empty()) std::memcpy(out, head.data(), head.size());
  out += head.size();
  if (textBytes) std::memcpy(out, text, textBytes);
  out += textBytes;
  if (!tail.empty()) std::memcpy(out, tail.data(), tail.size());
}

ReplyParts EncodeReplyParts(Outcome outcome, const DocumentText& doc) {
  try {
    return EncodeResultParts(outcome, doc);
  } catch (const std::bad_alloc&) {
    return EncodeResultParts(Outcome::kOutOfMemory, DocumentText());
  }
}

std::vector<std::uint8_t> EncodeResult(Outcome outcome, const DocumentText& doc) {
  ReplyParts parts = EncodeResultParts(outcome, doc);
  std::vector<std::uint8_t> bytes = std::move(parts.head);
  const auto* text = reinterpret_cast<const std::uint8_t*>(parts.text);
  bytes.reserve(parts.Bytes());
  if (parts.textBytes) bytes.insert(bytes.end(), text, text + parts.textBytes);
  bytes.insert(bytes.end(), parts.tail.begin(), parts.tail.end());
  return bytes;
}

std::vector<std::uint8_t> EncodeReply(Outcome outcome, const DocumentText& doc) {
  try {
    return EncodeResult(outcome, doc);
  } catch (const std::bad_alloc&) {
    return EncodeResult(Outcome::kOutOfMemory, DocumentText());
  }
}

bool DecodeResult(const std::uint8_t* data, std::size_t size, Outcome* outcome, DocumentText* doc,
                  std::u16string_view* textInPlace) {
  if (size > kMaxResultBytes) return false;
  Reader r(data, size);
  std::uint32_t code = 0, truncated = 0, textUnits = 0, chunkCount = 0, propCount = 0;
  if (!r.U32(&code) || !r.U32(&truncated) || !r.U32(&textUnits) || !r.U32(&chunkCount) ||
      !r.U32(&propCount)) {
    return false;
  }
  if (code > static_cast<std::uint32_t>(Outcome::kUnreadable) || truncated > 1) return false;
  const auto result = static_cast<Outcome>(code);
  if (result != Outcome::kOk && (textUnits || chunkCount || propCount || truncated)) return false;
  if (propCount > kMaxProperties) return false;
  // Counts are checked against the bytes left before anything is allocated.
  const std::size_t left = size - 20;
  if (textUnits > left / 2 || chunkCount > (left - std::size_t(textUnits) * 2) / 16) return false;
  DocumentText parsed;
  std::u16string_view inPlace;
  if (!(textInPlace && r.UnitsInPlace(textUnits, &inPlace)) && !r.Units(textUnits, &parsed.text))
    return false;
  parsed.truncated = truncated != 0;
  parsed.chunks.resize(chunkCount);
  std::uint64_t end = 0;
  for (TextChunk& c : parsed.chunks) {
    std::uint32_t breakType = 0;
    if (!r.U32(&c.offset) || !r.U32(&c.length) || !r.U32(&c.locale) || !r.U32(&breakType))
      return false;
    // Chunks follow one another inside the text, none empty.
    if (c.length == 0 || c.offset < end || std::uint64_t(c.offset) + c.length > textUnits)
      return false;
    if (breakType > static_cast<std::uint32_t>(kBreakChapter)) return false;
    c.breakType = static_cast<int>(breakType);
    end = std::uint64_t(c.offset) + c.length;
  }
  parsed.properties.resize(propCount);
  for (DocumentProperty& p : parsed.properties) {
    std::uint32_t units = 0;
    if (!r.U32(&p.id) || !r.U32(&units) || units > kMaxPropertyUnits || !r.Units(units, &p.value))
      return false;
  }
  if (!r.AtEnd()) return false;
  *outcome = result;
  *doc = std::move(parsed);
  if (textInPlace) *textInPlace = inPlace;
  return true;
}

}  // namespace isolation
}  // namespace wordfilt
