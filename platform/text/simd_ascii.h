// ASCII runs are the bulk of most text: convert 16 of them at a time where SSE2 is there
// (every x86_64), with a portable fallback elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::text {

inline constexpr std::size_t kAsciiBlock = 16;

// A cheap guess whether a block is worth trying: in text that mixes scripts, the first and
// last units of a block are rarely both ASCII unless the whole block is.
template <typename Unit>
inline bool LikelyAsciiBlock(const Unit* src) {
  return (src[0] | src[kAsciiBlock - 1]) < 0x80;
}

// When the 16 units at src are all below 0x80, writes them as 16 bytes to dst and returns
// true; otherwise writes nothing.
inline bool PackAsciiBlock(const char16_t* src, unsigned char* dst) {
#if defined(__SSE2__)
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 8));
  const __m128i high =
      _mm_and_si128(_mm_or_si128(a, b), _mm_set1_epi16(static_cast<short>(0xFF80)));
  if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF) return false;
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(a, b));
  return true;
#else
  unsigned bits = 0;
  for (std::size_t i = 0; i < kAsciiBlock; ++i) bits |= src[i];
  if (bits >= 0x80) return false;
  for (std::size_t i = 0; i < kAsciiBlock; ++i) dst[i] = static_cast<unsigned char>(src[i]);
  return true;
#endif
}

// When the 16 bytes at src are all below 0x80, writes them as 16 units to dst and returns
// true; otherwise writes nothing.
inline bool WidenAsciiBlock(const unsigned char* src, char16_t* dst) {
#if defined(__SSE2__)
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
  if (_mm_movemask_epi8(v) != 0) return false;
  const __m128i zero = _mm_setzero_si128();
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_unpacklo_epi8(v, zero));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8), _mm_unpackhi_epi8(v, zero));
  return true;
#else
  unsigned bits = 0;
  for (std::size_t i = 0; i < kAsciiBlock; ++i) bits |= src[i];
  if (bits >= 0x80) return false;
  for (std::size_t i = 0; i < kAsciiBlock; ++i) dst[i] = src[i];
  return true;
#endif
}

}  // namespace platform::text
