#ifndef _WIN32
#include "platform/text/double_byte_codec.h"

#include <algorithm>
#include <vector>

#include "platform/text/simd_ascii.h"

namespace platform::text {

DoubleByteCodec::DoubleByteCodec(const DoubleBytePageData& data)
    : data_(data), pairs_(data.pairs), from_unicode_(new std::uint16_t[0x10000]) {
  std::copy(data.single, data.single + 256, single_.begin());
  lead_row_.fill(kNotLead);
  for (std::size_t i = 0; i < data.lead_count; ++i)
    lead_row_[data.leads[i]] = static_cast<std::uint16_t>(i);

  // The inverse of the byte tables (single bytes first, then pairs in order; the first
  // wins), then the best-fit and preferred encodings the table file lists beyond it.
  std::fill(from_unicode_.get(), from_unicode_.get() + 0x10000, data.default_char);
  std::vector<bool> taken(0x10000);
  auto take = [&](char16_t c, std::uint16_t code) {
    if (!taken[c]) {
      taken[c] = true;
      from_unicode_[c] = code;
    }
  };
  for (unsigned b = 0; b < 256; ++b)
    if (!IsLeadByte(static_cast<unsigned char>(b))) take(single_[b], static_cast<std::uint16_t>(b));
  for (std::size_t i = 0; i < data.lead_count; ++i)
    for (unsigned t = 0; t < 256; ++t)
      take(pairs_[i * 256 + t], static_cast<std::uint16_t>(data.leads[i] << 8 | t));
  for (std::size_t i = 0; i < data.extra_count; ++i)
    from_unicode_[data.extra[i].code_point] = data.extra[i].bytes;
  for (unsigned c = 0; c < 0x80; ++c)
    ascii_identity_ = ascii_identity_ && single_[c] == c && from_unicode_[c] == c &&
                      !IsLeadByte(static_cast<unsigned char>(c));
}

bool DoubleByteCodec::AcceptsDecodeFlags(std::uint32_t flags) const {
  return (flags & ~(kMbPrecomposed | kMbErrInvalidChars)) == 0;
}

char16_t DoubleByteCodec::DecodeCode(std::uint16_t code) const {
  if (code <= 0xFF) return single_[code];
  const auto lead = static_cast<unsigned char>(code >> 8);
  // The tables never produce a pair without a lead byte; such a code matches nothing.
  if (!IsLeadByte(lead)) return data_.unicode_default_char;
  return DecodePair(lead, static_cast<unsigned char>(code));
}

bool DoubleByteCodec::IsExactOrAllowed(char16_t c, std::uint16_t code, std::uint32_t flags) const {
  if ((flags & kWcNoBestFitChars) || code == data_.default_char) return DecodeCode(code) == c;
  return true;
}

ConvResult DoubleByteCodec::Encode(const char16_t* src, std::size_t count, char* dst,
                                   std::size_t capacity, const EncodeOptions& options) const {
  if (options.flags || options.default_char || options.used_default)
    return EncodeChecked(src, count, dst, capacity, options);
  const std::uint16_t* table = from_unicode_.get();
  if (capacity == 0) {
    std::size_t total = count;
    for (std::size_t i = 0; i < count; ++i) total += table[src[i]] > 0xFF;
    return {total, ConvError::kNone};
  }
  auto* out = reinterpret_cast<unsigned char*>(dst);
  std::size_t i = 0, o = 0;
  // While even an all-double-byte rest would fit, no per-character room check is needed,
  // and each character may store two bytes and keep one: the next character overwrites
  // the spare (so never for the last one, whose spare would land beyond the result).
  while (i + 1 < count && capacity - o >= 2 * (count - i)) {
    if (ascii_identity_ && count - i >= kAsciiBlock && LikelyAsciiBlock(src + i) &&
        PackAsciiBlock(src + i, out + o)) {
      i += kAsciiBlock;
      o += kAsciiBlock;
      continue;
    }
    const std::uint16_t code = table[src[i++]];
    const bool two = code > 0xFF;
    out[o] = static_cast<unsigned char>(two ? code >> 8 : code);
    out[o + 1] = static_cast<unsigned char>(code);
    o += 1 + two;
  }
  for (; i < count && o < capacity; ++i) {
    const std::uint16_t code = table[src[i]];
    if (code > 0xFF) {
      if (capacity - o < 2) break;  // a character is never split
      out[o++] = static_cast<unsigned char>(code >> 8);
    }
    out[o++] = static_cast<unsigned char>(code);
  }
  return {o, i < count ? ConvError::kInsufficientBuffer : ConvError::kNone};
}

ConvResult DoubleByteCodec::EncodeChecked(const char16_t* src, std::size_t count, char* dst,
                                          std::size_t capacity,
                                          const EncodeOptions& options) const {
  std::uint16_t fallback = data_.default_char;
  if (const char* d = options.default_char) {
    const auto d0 = static_cast<unsigned char>(d[0]);
    // A two-character default stands for a double-byte character.
    fallback =
        d0 && d[1] ? static_cast<std::uint16_t>(d0 << 8 | static_cast<unsigned char>(d[1])) : d0;
  }
  const std::uint16_t* table = from_unicode_.get();
  bool used = false;
  auto code_of = [&](char16_t c) {
    const std::uint16_t code = table[c];
    if (IsExactOrAllowed(c, code, options.flags)) return code;
    used = true;
    return fallback;
  };
  ConvResult result;
  if (capacity == 0) {
    for (std::size_t i = 0; i < count; ++i) result.count += code_of(src[i]) > 0xFF ? 2 : 1;
  } else {
    auto* out = reinterpret_cast<unsigned char*>(dst);
    std::size_t i = 0, o = 0;
    for (; i < count && o < capacity; ++i) {
      const std::uint16_t code = code_of(src[i]);
      if (code > 0xFF) {
        if (capacity - o < 2) break;
        out[o++] = static_cast<unsigned char>(code >> 8);
      }
      out[o++] = static_cast<unsigned char>(code);
    }
    result.count = o;
    if (i < count) result.error = ConvError::kInsufficientBuffer;
  }
  if (options.used_default) *options.used_default = used;
  return result;
}

// Invalid: a lead byte with no trail, a pair or byte that decodes to the "undefined"
// character without being its own encoding, a single byte that decodes to private use.
bool DoubleByteCodec::HasInvalidBytes(const unsigned char* src, std::size_t count) const {
  for (std::size_t i = 0; i < count; ++i) {
    if (IsLeadByte(src[i])) {
      if (i + 1 == count) return true;
      const std::uint16_t code = static_cast<std::uint16_t>(src[i] << 8 | src[i + 1]);
      if (DecodePair(src[i], src[i + 1]) == data_.unicode_default_char &&
          code != data_.trans_unicode_default)
        return true;
      ++i;
      continue;
    }
    const char16_t c = single_[src[i]];
    if (c == data_.unicode_default_char && src[i] != data_.trans_unicode_default) return true;
    if (IsPrivateUse(c)) return true;
  }
  return false;
}

ConvResult DoubleByteCodec::Decode(const char* src, std::size_t count, char16_t* dst,
                                   std::size_t capacity, std::uint32_t flags) const {
  const auto* in = reinterpret_cast<const unsigned char*>(src);
  if ((flags & kMbErrInvalidChars) && HasInvalidBytes(in, count))
    return {0, ConvError::kNoUnicodeTranslation};
  // A lead byte takes the next byte as its trail unless that is the end or a NUL; a lead
  // byte left alone decodes to the undefined character.
  if (capacity == 0) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < count; ++i, ++n)
      if (IsLeadByte(in[i]) && i + 1 < count && in[i + 1]) ++i;
    return {n, ConvError::kNone};
  }
  std::size_t i = 0, o = 0;
  while (i < count && o < capacity) {
    if (ascii_identity_ && count - i >= kAsciiBlock && capacity - o >= kAsciiBlock &&
        LikelyAsciiBlock(in + i) && WidenAsciiBlock(in + i, dst + o)) {
      i += kAsciiBlock;
      o += kAsciiBlock;
      continue;
    }
    const unsigned char b = in[i++];
    if (!IsLeadByte(b)) {
      dst[o++] = single_[b];
    } else if (i < count && in[i]) {
      dst[o++] = DecodePair(b, in[i++]);
    } else {
      dst[o++] = data_.unicode_default_char;
    }
  }
  return {o, i < count ? ConvError::kInsufficientBuffer : ConvError::kNone};
}

}  // namespace platform::text
#endif  // _WIN32
