#ifndef _WIN32
#include "platform/text/utf8_codec.h"

#include "platform/text/simd_ascii.h"

namespace platform::text {
namespace {

constexpr std::uint32_t kInvalid = 0xFFFFFFFFu;
constexpr char16_t kReplacement = 0xFFFD;

// The code point at src[0] (a pair counts as one); false for a lone surrogate.
bool ReadUtf16(const char16_t* src, std::size_t left, std::uint32_t& value) {
  const char16_t c = src[0];
  if ((c & 0xFC00) == 0xD800) {
    if (left > 1 && (src[1] & 0xFC00) == 0xDC00) {
      value = 0x10000 + ((static_cast<std::uint32_t>(c) & 0x3FF) << 10) + (src[1] & 0x3FF);
      return true;
    }
    return false;
  }
  if ((c & 0xFC00) == 0xDC00) return false;
  value = c;
  return true;
}

std::size_t EncodedLength(std::uint32_t cp) {
  return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

void Put(std::uint32_t cp, unsigned char* out) {
  switch (EncodedLength(cp)) {
    case 1: out[0] = static_cast<unsigned char>(cp); break;
    case 2:
      out[0] = static_cast<unsigned char>(0xC0 | cp >> 6);
      out[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      break;
    case 3:
      out[0] = static_cast<unsigned char>(0xE0 | cp >> 12);
      out[1] = static_cast<unsigned char>(0x80 | (cp >> 6 & 0x3F));
      out[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      break;
    default:
      out[0] = static_cast<unsigned char>(0xF0 | cp >> 18);
      out[1] = static_cast<unsigned char>(0x80 | (cp >> 12 & 0x3F));
      out[2] = static_cast<unsigned char>(0x80 | (cp >> 6 & 0x3F));
      out[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      break;
  }
}

// Decodes the sequence whose first byte in[pos - 1] (>= 0x80) was just taken; pos moves
// past the bytes the sequence swallows. The split of broken input follows the system:
// the lead byte announces the length; a sequence cut off by the end swallows the rest; a
// bad byte ends the sequence before it, while an overlong, surrogate or out-of-range value
// is detected only after the byte that reveals it, which is swallowed too.
std::uint32_t DecodeSequence(const unsigned char* in, std::size_t count, std::size_t& pos) {
  static const unsigned char kTrailBytes[128] = {
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
      1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2,
      2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  static const unsigned char kLeadMask[4] = {0x7F, 0x1F, 0x0F, 0x07};
  const unsigned char lead = in[pos - 1];
  const unsigned len = kTrailBytes[lead - 0x80];
  std::uint32_t value = lead & kLeadMask[len];
  const std::size_t end = pos + len;
  if (end > count) {
    pos = count;
    return kInvalid;
  }
  unsigned ch;
  switch (len) {
    case 3:
      if ((ch = in[end - 3] ^ 0x80u) >= 0x40) break;
      value = value << 6 | ch;
      ++pos;
      if (value < 0x10) break;  // overlong
      [[fallthrough]];
    case 2:
      if ((ch = in[end - 2] ^ 0x80u) >= 0x40) break;
      value = value << 6 | ch;
      if (value >= 0x110000 >> 6) break;  // beyond U+10FFFF
      ++pos;
      if (value < 0x20) break;                                  // overlong
      if (value >= 0xD800 >> 6 && value <= 0xDFFF >> 6) break;  // surrogate
      [[fallthrough]];
    case 1:
      if ((ch = in[end - 1] ^ 0x80u) >= 0x40) break;
      value = value << 6 | ch;
      ++pos;
      if (value < 0x80) break;  // overlong
      return value;
    default: break;
  }
  return kInvalid;
}

}  // namespace

bool Utf8Codec::AcceptsDecodeFlags(std::uint32_t flags) const {
  // The composition and glyph flags mean nothing for UTF-8 and are accepted as the system does.
  return (flags & ~0xFu) == 0;
}

ConvResult Utf8Codec::Encode(const char16_t* src, std::size_t count, char* dst,
                             std::size_t capacity, const EncodeOptions& options) const {
  if (options.used_default) *options.used_default = false;
  bool lossy = false;
  ConvResult result;
  if (capacity == 0) {
    std::size_t total = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const char16_t c = src[i];
      if (c < 0x800) {
        total += c < 0x80 ? 1 : 2;
        continue;
      }
      std::uint32_t cp;
      if (!ReadUtf16(src + i, count - i, cp)) {
        cp = kReplacement;
        lossy = true;
      }
      total += EncodedLength(cp);
      if (cp > 0xFFFF) ++i;
    }
    result.count = total;
  } else {
    auto* out = reinterpret_cast<unsigned char*>(dst);
    std::size_t i = 0, o = 0;
    while (i < count) {
      const char16_t c = src[i];
      if (c < 0x80) {
        if (count - i >= kAsciiBlock && capacity - o >= kAsciiBlock && LikelyAsciiBlock(src + i) &&
            PackAsciiBlock(src + i, out + o)) {
          i += kAsciiBlock;
          o += kAsciiBlock;
          continue;
        }
        if (o == capacity) break;
        out[o++] = static_cast<unsigned char>(c);
        ++i;
        continue;
      }
      if (c < 0x800) {
        if (capacity - o < 2) break;
        out[o] = static_cast<unsigned char>(0xC0 | c >> 6);
        out[o + 1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        o += 2;
        ++i;
        continue;
      }
      if ((c & 0xF800) != 0xD800) {
        if (capacity - o < 3) break;
        out[o] = static_cast<unsigned char>(0xE0 | c >> 12);
        out[o + 1] = static_cast<unsigned char>(0x80 | (c >> 6 & 0x3F));
        out[o + 2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        o += 3;
        ++i;
        continue;
      }
      // Surrogates: a pair makes four bytes, a lone half U+FFFD.
      std::uint32_t cp;
      if (!ReadUtf16(src + i, count - i, cp)) {
        cp = kReplacement;
        lossy = true;
      }
      const std::size_t len = EncodedLength(cp);
      if (capacity - o < len) break;  // a character is never split
      Put(cp, out + o);
      o += len;
      i += cp > 0xFFFF ? 2 : 1;
    }
    result.count = o;
    if (i < count) {
      result.error = ConvError::kInsufficientBuffer;
      return result;
    }
  }
  if (lossy && (options.flags & kWcErrInvalidChars)) return {0, ConvError::kNoUnicodeTranslation};
  return result;
}

ConvResult Utf8Codec::Decode(const char* src, std::size_t count, char16_t* dst,
                             std::size_t capacity, std::uint32_t flags) const {
  const auto* in = reinterpret_cast<const unsigned char*>(src);
  bool lossy = false;
  ConvResult result;
  std::size_t i = 0;
  if (capacity == 0) {
    std::size_t n = 0;
    for (; i < count; ++n) {
      if (in[i++] < 0x80) continue;
      const std::uint32_t cp = DecodeSequence(in, count, i);
      if (cp == kInvalid) {
        lossy = true;
      } else if (cp > 0xFFFF) {
        ++n;
      }
    }
    result.count = n;
  } else {
    std::size_t o = 0;
    while (i < count && o < capacity) {
      if (count - i >= kAsciiBlock && capacity - o >= kAsciiBlock && LikelyAsciiBlock(in + i) &&
          WidenAsciiBlock(in + i, dst + o)) {
        i += kAsciiBlock;
        o += kAsciiBlock;
        continue;
      }
      const unsigned char b = in[i++];
      if (b < 0x80) {
        dst[o++] = b;
        continue;
      }
      std::uint32_t cp = DecodeSequence(in, count, i);
      if (cp == kInvalid) {
        dst[o++] = kReplacement;
        lossy = true;
      } else if (cp <= 0xFFFF) {
        dst[o++] = static_cast<char16_t>(cp);
      } else {
        cp -= 0x10000;
        dst[o++] = static_cast<char16_t>(0xD800 | cp >> 10);
        // The system stops after the high half when only it fits, and still reports
        // success if that was the last character.
        if (o == capacity) break;
        dst[o++] = static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
      }
    }
    result.count = o;
    if (i < count) {
      result.error = ConvError::kInsufficientBuffer;
      return result;
    }
  }
  if (lossy && (flags & kMbErrInvalidChars)) return {0, ConvError::kNoUnicodeTranslation};
  return result;
}

}  // namespace platform::text
#endif  // _WIN32
