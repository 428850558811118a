// The code-page and locale tables, as generated from the Windows NLS table files by
// tools/gen/gen_codepage_tables.py. Only the raw data lives here; the codecs build their
// fast lookup tables from it once, on first use.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::text {

// A code point -> bytes mapping that the inverse of the byte -> code point table does not
// give: the Windows best-fit substitutions, and the code point's preferred encoding where
// several byte sequences decode to it.
struct ExtraMapping {
  std::uint16_t code_point;
  std::uint16_t bytes;  // a DBCS pair is lead << 8 | trail
};

struct SingleBytePageData {
  std::uint16_t code_page;
  std::uint8_t default_char;           // written for a code point the page cannot encode
  std::uint16_t unicode_default_char;  // what an undefined byte decodes to
  std::uint8_t trans_unicode_default;  // the byte that legitimately decodes to it
  const std::uint16_t* to_unicode;     // 256 entries
  const ExtraMapping* extra;           // sorted by code point
  std::size_t extra_count;
};

struct DoubleBytePageData {
  std::uint16_t code_page;
  std::uint16_t default_char;  // byte (or lead << 8 | trail) written for an unmappable code point
  std::uint16_t unicode_default_char;
  std::uint16_t trans_default_char;
  std::uint16_t trans_unicode_default;
  const std::uint16_t* single;  // 256 entries: bytes that are not lead bytes
  const std::uint8_t* leads;    // the lead bytes, ascending
  std::size_t lead_count;
  const std::uint16_t* pairs;  // lead_count * 256 entries, indexed by lead position and trail
  const ExtraMapping* extra;
  std::size_t extra_count;
};

// The single-byte pages: 874, 1250-1258, 437, 850, 852, 866, 10000, 20127, 20866, 21866,
// 28591-28599, 28603, 28605.
extern const SingleBytePageData kSingleBytePages[];
extern const std::size_t kSingleBytePageCount;

extern const DoubleBytePageData kPage932;
extern const DoubleBytePageData kPage936;
extern const DoubleBytePageData kPage949;
extern const DoubleBytePageData kPage950;

// GB18030: the pairs of 936 with these replaced; single bytes are ASCII and the four-byte
// codes follow from the pairs (every other code point, in order).
struct Gb18030PageData {
  const ExtraMapping* overrides;  // {pair, character}, sorted by pair
  std::size_t override_count;
};

extern const Gb18030PageData kPage54936;

struct LocaleCodePages {
  std::uint32_t lcid;
  std::uint16_t ansi;  // 65001 for a Unicode-only locale
  std::uint16_t oem;
};

// Every locale id Windows knows (neutral ones and those with sort ids included), ascending.
extern const LocaleCodePages kLocaleCodePages[];
extern const std::size_t kLocaleCodePageCount;

}  // namespace platform::text
