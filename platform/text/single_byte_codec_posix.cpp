#ifndef _WIN32
#include "platform/text/single_byte_codec.h"

#include <algorithm>
#include <vector>

#include "platform/text/simd_ascii.h"

namespace platform::text {

SingleByteCodec::SingleByteCodec(const SingleBytePageData& data)
    : data_(data), from_unicode_(new unsigned char[0x10000]) {
  std::copy(data.to_unicode, data.to_unicode + 256, to_unicode_.begin());
  // The inverse of the byte table (the first byte wins), then the best-fit and preferred
  // encodings that the table file lists beyond it.
  std::fill(from_unicode_.get(), from_unicode_.get() + 0x10000, data.default_char);
  std::vector<bool> taken(0x10000);
  for (unsigned b = 0; b < 256; ++b) {
    const char16_t c = to_unicode_[b];
    if (!taken[c]) {
      taken[c] = true;
      from_unicode_[c] = static_cast<unsigned char>(b);
    }
  }
  for (std::size_t i = 0; i < data.extra_count; ++i)
    from_unicode_[data.extra[i].code_point] = static_cast<unsigned char>(data.extra[i].bytes);
  for (unsigned c = 0; c < 0x80; ++c)
    ascii_identity_ = ascii_identity_ && to_unicode_[c] == c && from_unicode_[c] == c;
}

bool SingleByteCodec::AcceptsDecodeFlags(std::uint32_t flags) const {
  return (flags & ~(kMbPrecomposed | kMbErrInvalidChars)) == 0;
}

// With flags 0 any table entry stands (best fit included), except the default character
// itself, which counts only where it is the character's real encoding. Without best fit
// every entry must round-trip.
bool SingleByteCodec::IsExactOrAllowed(char16_t c, unsigned char b, std::uint32_t flags) const {
  if ((flags & kWcNoBestFitChars) || b == data_.default_char) return to_unicode_[b] == c;
  return true;
}

void SingleByteCodec::EncodeFast(const char16_t* src, std::size_t count, unsigned char* dst) const {
  const unsigned char* table = from_unicode_.get();
  std::size_t i = 0;
  if (ascii_identity_) {
    while (i + kAsciiBlock <= count) {
      if (!LikelyAsciiBlock(src + i) || !PackAsciiBlock(src + i, dst + i)) {
        for (std::size_t k = 0; k < kAsciiBlock; ++k) dst[i + k] = table[src[i + k]];
      }
      i += kAsciiBlock;
    }
  }
  for (; i < count; ++i) dst[i] = table[src[i]];
}

ConvResult SingleByteCodec::Encode(const char16_t* src, std::size_t count, char* dst,
                                   std::size_t capacity, const EncodeOptions& options) const {
  if (options.flags || options.default_char || options.used_default)
    return EncodeChecked(src, count, dst, capacity, options);
  if (capacity == 0) return {count, ConvError::kNone};
  const std::size_t n = std::min(count, capacity);
  EncodeFast(src, n, reinterpret_cast<unsigned char*>(dst));
  if (n < count) return {n, ConvError::kInsufficientBuffer};
  return {n, ConvError::kNone};
}

ConvResult SingleByteCodec::EncodeChecked(const char16_t* src, std::size_t count, char* dst,
                                          std::size_t capacity,
                                          const EncodeOptions& options) const {
  const unsigned char fallback = options.default_char
                                     ? static_cast<unsigned char>(options.default_char[0])
                                     : data_.default_char;
  const unsigned char* table = from_unicode_.get();
  bool used = false;
  ConvResult result{count, ConvError::kNone};
  if (capacity == 0) {
    for (std::size_t i = 0; i < count && !used; ++i)
      used = !IsExactOrAllowed(src[i], table[src[i]], options.flags);
  } else {
    const std::size_t n = std::min(count, capacity);
    for (std::size_t i = 0; i < n; ++i) {
      unsigned char b = table[src[i]];
      if (!IsExactOrAllowed(src[i], b, options.flags)) {
        b = fallback;
        used = true;
      }
      dst[i] = static_cast<char>(b);
    }
    result.count = n;
    if (n < count) result.error = ConvError::kInsufficientBuffer;
  }
  if (options.used_default) *options.used_default = used;
  return result;
}

// A byte is invalid when it decodes to the page's "undefined" character without being that
// character's own byte, or to a private-use character (how the table files mark holes).
bool SingleByteCodec::HasInvalidBytes(const unsigned char* src, std::size_t count) const {
  for (std::size_t i = 0; i < count; ++i) {
    const char16_t c = to_unicode_[src[i]];
    if (c == data_.unicode_default_char && src[i] != data_.trans_unicode_default) return true;
    if (IsPrivateUse(c)) return true;
  }
  return false;
}

ConvResult SingleByteCodec::Decode(const char* src, std::size_t count, char16_t* dst,
                                   std::size_t capacity, std::uint32_t flags) const {
  const auto* bytes = reinterpret_cast<const unsigned char*>(src);
  if ((flags & kMbErrInvalidChars) && HasInvalidBytes(bytes, count))
    return {0, ConvError::kNoUnicodeTranslation};
  if (capacity == 0) return {count, ConvError::kNone};
  const std::size_t n = std::min(count, capacity);
  for (std::size_t i = 0; i < n; ++i) dst[i] = to_unicode_[bytes[i]];
  return {n, n < count ? ConvError::kInsufficientBuffer : ConvError::kNone};
}

}  // namespace platform::text
#endif  // _WIN32
