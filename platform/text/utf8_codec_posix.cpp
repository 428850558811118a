#ifndef _WIN32
#include "platform/text/utf8_codec.h"

#include <cstring>

#include "platform/text/simd_ascii.h"

// x86_64 builds with GCC or Clang pick a byte-shuffle encoder at run time
// where the processor has one (nearly all do).
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#include <tmmintrin.h>
#define DOCFLT_UTF8_SSSE3 1
#endif

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

// The bytes under the last 16-byte store, so that those past the final
// output can be put back.
struct StoreUndo {
  static constexpr std::size_t kNone = ~std::size_t{0};
  std::size_t at = kNone;
  unsigned char bytes[16] = {};
  void Remember(const unsigned char* out, std::size_t o) {
    at = o;
    std::memcpy(bytes, out + o, sizeof bytes);
  }
  // Earlier stores ended at least eight bytes before the last one's end,
  // inside the output: only the last one can reach past it.
  void Restore(unsigned char* out, std::size_t end) const {
    if (at == kNone) return;
    for (std::size_t p = end > at ? end : at; p < at + sizeof bytes; ++p) out[p] = bytes[p - at];
  }
};

#if defined(__SSE2__)
// Each unit below 0x800 as the bytes it encodes to: the lead byte in the low
// half, the trail byte (0x80 | low six bits) in the high half; ASCII units
// keep their value and a high half the caller drops.
inline __m128i TwoByteForms(__m128i x, __m128i wide) {
  const __m128i two = _mm_or_si128(
      _mm_or_si128(_mm_srli_epi16(x, 6), _mm_set1_epi16(0xC0)),
      _mm_slli_epi16(_mm_or_si128(_mm_and_si128(x, _mm_set1_epi16(0x3F)), _mm_set1_epi16(0x80)),
                     8));
  return _mm_or_si128(_mm_and_si128(wide, two), _mm_andnot_si128(wide, x));
}

// True when all eight units are below 0x800.
inline bool AllBelow800(__m128i x) {
  const __m128i high = _mm_and_si128(x, _mm_set1_epi16(static_cast<short>(0xF800)));
  return _mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF;
}
#endif

#if defined(DOCFLT_UTF8_SSSE3)
// For each set of two-byte units among eight (bit k: unit k), the byte
// shuffle that keeps both bytes of those and the low byte of the others, and
// how many bytes that makes.
struct Compaction {
  std::uint8_t shuffle[256][16];
  std::uint8_t length[256];
};

constexpr Compaction MakeCompaction() {
  Compaction c{};
  for (unsigned mask = 0; mask < 256; ++mask) {
    unsigned pos = 0;
    for (unsigned k = 0; k < 8; ++k) {
      c.shuffle[mask][pos++] = static_cast<std::uint8_t>(2 * k);
      if (mask >> k & 1) c.shuffle[mask][pos++] = static_cast<std::uint8_t>(2 * k + 1);
    }
    c.length[mask] = static_cast<std::uint8_t>(pos);
    while (pos < 16) c.shuffle[mask][pos++] = 0x80;
  }
  return c;
}

constexpr Compaction kCompaction = MakeCompaction();

__attribute__((target("ssse3"))) std::size_t EncodeTwoByteBlocksSsse3(
    const char16_t* src, std::size_t i, std::size_t end, unsigned char* out, std::size_t& o,
    StoreUndo& undo) {
  while (end - i >= 8) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    if (!AllBelow800(x)) break;
    const __m128i wide = _mm_cmpgt_epi16(x, _mm_set1_epi16(0x7F));
    const unsigned mask =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(wide, _mm_setzero_si128())));
    const __m128i shuffle =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(kCompaction.shuffle[mask]));
    undo.Remember(out, o);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + o),
                     _mm_shuffle_epi8(TwoByteForms(x, wide), shuffle));
    o += kCompaction.length[mask];
    i += 8;
  }
  return i;
}

// Asked once, when a run first needs it. (__builtin_cpu_supports would link in
// a constructor that asks the processor a dozen questions whenever a module
// loads: on a virtual machine each one traps, a cost every short process pays.)
bool HasSsse3() {
  static const bool has = [] {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (ecx & bit_SSSE3) != 0;
  }();
  return has;
}
#endif

// Encodes src[i, end) eight units at a time while every unit is below 0x800,
// writing at out + o (room for two bytes a unit is the caller's guarantee);
// returns where it stopped, with o moved on.
std::size_t EncodeTwoByteBlocks(const char16_t* src, std::size_t i, std::size_t end,
                                unsigned char* out, std::size_t& o, StoreUndo& undo) {
#if defined(DOCFLT_UTF8_SSSE3)
  if (HasSsse3()) return EncodeTwoByteBlocksSsse3(src, i, end, out, o, undo);
#endif
#if defined(__SSE2__)
  alignas(16) std::uint16_t lanes[8];
  while (end - i >= 8) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    if (!AllBelow800(x)) break;
    const __m128i wide = _mm_cmpgt_epi16(x, _mm_set1_epi16(0x7F));
    const int wideBits = _mm_movemask_epi8(wide);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), TwoByteForms(x, wide));
    undo.Remember(out, o);
    for (int k = 0; k < 8; ++k) {
      std::memcpy(out + o, &lanes[k], 2);
      o += 1 + ((wideBits >> (2 * k)) & 1);
    }
    i += 8;
  }
#else
  (void)src;
  (void)end;
  (void)out;
  (void)o;
  (void)undo;
#endif
  return i;
}

// Encodes src[i, end) while every unit is below 0x800: the letters of the
// alphabets written in two bytes (Cyrillic, Greek, Hebrew, Arabic) mixed with
// ASCII spaces and punctuation, without a branch per character. The room for
// two bytes a unit is the caller's guarantee. Fast writes run up to 16 bytes
// ahead of the output; what they left past its end is put back, so the
// buffer beyond the result stays as the caller had it.
std::size_t EncodeBelow800(const char16_t* src, std::size_t i, std::size_t end, unsigned char* out,
                           std::size_t& o) {
  StoreUndo undo;
  i = EncodeTwoByteBlocks(src, i, end, out, o, undo);
  unsigned char keep = 0;
  bool narrowLast = false;
  for (; i < end; ++i) {
    const unsigned u = src[i];
    if (u >= 0x800) break;
    const unsigned wide = u >= 0x80;
    const unsigned two = (0xC0u | u >> 6) | (0x80u | (u & 0x3Fu)) << 8;
    const unsigned value = wide ? two : u;
    keep = out[o + 1];
    out[o] = static_cast<unsigned char>(value);
    out[o + 1] = static_cast<unsigned char>(value >> 8);
    o += 1 + wide;
    narrowLast = !wide;
  }
  if (narrowLast) out[o] = keep;
  undo.Restore(out, o);
  return i;
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
        const std::size_t end = count - i < (capacity - o) / 2 ? count : i + (capacity - o) / 2;
        i = EncodeBelow800(src, i, end, out, o);
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
