#ifndef _WIN32
#include "platform/text/gb18030_codec.h"

namespace platform::text {
namespace {

constexpr std::uint32_t kFourByte = 0x80000000u;
constexpr std::uint32_t kBad = 0xFFFFFFFFu;
constexpr std::uint16_t kNoPair = 0xFFFF;
constexpr char16_t kReplacement = 0xFFFD;

bool IsTrail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE); }
bool IsLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool IsDigit(unsigned char b) { return b >= 0x30 && b <= 0x39; }

}  // namespace

Gb18030Codec::Gb18030Codec(const DoubleBytePageData& pairs, const Gb18030PageData& data)
    : pairs_(new std::uint16_t[126 * 256]),
      from_bmp_(new std::uint32_t[0x10000]()),
      four_to_bmp_(new std::uint16_t[kBmpFourByteCount]()) {
  for (std::size_t i = 0; i < 126 * 256; ++i) pairs_[i] = kNoPair;
  for (std::size_t row = 0; row < pairs.lead_count; ++row) {
    const unsigned lead = pairs.leads[row];
    if (!IsLead(static_cast<unsigned char>(lead))) continue;
    for (unsigned trail = 0; trail < 256; ++trail)
      if (IsTrail(static_cast<unsigned char>(trail)))
        pairs_[(lead - 0x81) * 256 + trail] = pairs.pairs[row * 256 + trail];
  }
  for (std::size_t i = 0; i < data.override_count; ++i) {
    const unsigned code = data.overrides[i].code_point;  // the pair
    pairs_[((code >> 8) - 0x81) * 256 + (code & 0xFF)] = data.overrides[i].bytes;
  }
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      const std::uint16_t c = pairs_[(lead - 0x81) * 256 + trail];
      if (c != kNoPair && c >= 0x80 && !from_bmp_[c]) from_bmp_[c] = lead << 8 | trail;
    }
  std::uint32_t index = 0;
  for (std::uint32_t c = 0x80; c <= 0xFFFF; ++c) {
    if ((c & 0xF800) == 0xD800 || from_bmp_[c]) continue;
    if (index < kBmpFourByteCount) four_to_bmp_[index] = static_cast<std::uint16_t>(c);
    from_bmp_[c] = kFourByte | index++;
  }
  // Pairs that do not leave exactly the four-byte range would shift every code after the
  // first wrong one; such a table is not used at all.
  complete_ = index == kBmpFourByteCount;
}

std::size_t Gb18030Codec::Put(std::uint32_t cp, unsigned char* out) const {
  if (cp < 0x80) {
    out[0] = static_cast<unsigned char>(cp);
    return 1;
  }
  std::uint32_t index;
  if (cp < 0x10000) {
    const std::uint32_t code = from_bmp_[cp];
    if (!(code & kFourByte)) {
      out[0] = static_cast<unsigned char>(code >> 8);
      out[1] = static_cast<unsigned char>(code);
      return 2;
    }
    index = code & ~kFourByte;
  } else {
    index = kSupplementaryBase + (cp - 0x10000);
  }
  out[3] = static_cast<unsigned char>(0x30 + index % 10);
  index /= 10;
  out[2] = static_cast<unsigned char>(0x81 + index % 126);
  index /= 126;
  out[1] = static_cast<unsigned char>(0x30 + index % 10);
  out[0] = static_cast<unsigned char>(0x81 + index / 10);
  return 4;
}

ConvResult Gb18030Codec::Encode(const char16_t* src, std::size_t count, char* dst,
                                std::size_t capacity, const EncodeOptions& options) const {
  ConvResult r;
  if (!complete_) {
    r.error = ConvError::kInvalidParameter;
    return r;
  }
  if (options.flags & ~kWcErrInvalidChars) {
    r.error = ConvError::kInvalidFlags;
    return r;
  }
  if (options.used_default) *options.used_default = false;  // every code point has a code
  auto* out = reinterpret_cast<unsigned char*>(dst);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t cp = src[i];
    if ((cp & 0xFC00) == 0xD800 && i + 1 < count && (src[i + 1] & 0xFC00) == 0xDC00) {
      cp = 0x10000 + ((cp & 0x3FF) << 10) + (src[++i] & 0x3FF);
    } else if ((cp & 0xF800) == 0xD800) {
      if (options.flags & kWcErrInvalidChars) {
        r.count = 0;
        r.error = ConvError::kNoUnicodeTranslation;
        return r;
      }
      cp = kReplacement;
    }
    unsigned char bytes[4];
    const std::size_t n = Put(cp, bytes);
    if (capacity) {
      if (r.count + n > capacity) {
        r.error = ConvError::kInsufficientBuffer;
        return r;
      }
      for (std::size_t k = 0; k < n; ++k) out[r.count + k] = bytes[k];
    }
    r.count += n;
  }
  return r;
}

std::uint32_t Gb18030Codec::Take(const unsigned char* in, std::size_t left,
                                 std::size_t& used) const {
  used = 1;
  const unsigned char b1 = in[0];
  if (b1 < 0x80) return b1;
  if (!IsLead(b1) || left < 2) return kBad;
  const unsigned char b2 = in[1];
  if (IsTrail(b2)) {
    const std::uint16_t c = pairs_[(b1 - 0x81) * 256 + b2];
    if (c == kNoPair) return kBad;
    used = 2;
    return c;
  }
  if (!IsDigit(b2) || left < 4 || !IsLead(in[2]) || !IsDigit(in[3])) return kBad;
  used = 4;
  const std::uint32_t index =
      (((b1 - 0x81u) * 10 + (b2 - 0x30u)) * 126 + (in[2] - 0x81u)) * 10 + (in[3] - 0x30u);
  if (index < kBmpFourByteCount) return four_to_bmp_[index];
  if (index >= kSupplementaryBase && index - kSupplementaryBase <= 0x10FFFF - 0x10000)
    return 0x10000 + (index - kSupplementaryBase);
  return kBad;  // a well-formed code that names no character
}

ConvResult Gb18030Codec::Decode(const char* src, std::size_t count, char16_t* dst,
                                std::size_t capacity, std::uint32_t flags) const {
  ConvResult r;
  if (!complete_) {
    r.error = ConvError::kInvalidParameter;
    return r;
  }
  const auto* in = reinterpret_cast<const unsigned char*>(src);
  for (std::size_t pos = 0; pos < count;) {
    std::size_t used = 1;
    std::uint32_t cp = Take(in + pos, count - pos, used);
    pos += used;
    if (cp == kBad) {
      if (flags & kMbErrInvalidChars) {
        r.count = 0;
        r.error = ConvError::kNoUnicodeTranslation;
        return r;
      }
      cp = kReplacement;
    }
    char16_t units[2];
    std::size_t n = 1;
    if (cp >= 0x10000) {
      units[0] = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      units[1] = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      n = 2;
    } else {
      units[0] = static_cast<char16_t>(cp);
    }
    if (capacity) {
      if (r.count + n > capacity) {
        r.error = ConvError::kInsufficientBuffer;
        return r;
      }
      for (std::size_t k = 0; k < n; ++k) dst[r.count + k] = units[k];
    }
    r.count += n;
  }
  return r;
}

}  // namespace platform::text
#endif  // _WIN32
