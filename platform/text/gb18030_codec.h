// GB18030 (code page 54936): ASCII in one byte, the pairs of 936 (with a few characters
// of their own) in two, and every other code point in four. The four-byte codes are
// counted, in code point order, over the BMP characters that have no pair, and then over
// the planes above it; so only the pairs need a table.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/text/codec.h"
#include "platform/text/codepage_data.h"

namespace platform::text {

class Gb18030Codec final : public Codec {
 public:
  Gb18030Codec(const DoubleBytePageData& pairs, const Gb18030PageData& data);

  unsigned code_page() const override { return 54936; }
  // As for UTF-8: nothing but MB_ERR_INVALID_CHARS.
  bool AcceptsDecodeFlags(std::uint32_t flags) const override {
    return (flags & ~kMbErrInvalidChars) == 0;
  }
  ConvResult Encode(const char16_t* src, std::size_t count, char* dst, std::size_t capacity,
                    const EncodeOptions& options) const override;
  ConvResult Decode(const char* src, std::size_t count, char16_t* dst, std::size_t capacity,
                    std::uint32_t flags) const override;

  // Four-byte codes: BMP ones number 0 to kBmpFourByteCount - 1; the planes above start here.
  static constexpr std::uint32_t kBmpFourByteCount = 39420;
  static constexpr std::uint32_t kSupplementaryBase = 189000;  // the index of 90 30 81 30

 private:
  // Bytes for one code point into out[0..3]; their number.
  std::size_t Put(std::uint32_t cp, unsigned char* out) const;
  // The code point of the sequence at in[0], or kBad; `used` is the bytes it takes.
  std::uint32_t Take(const unsigned char* in, std::size_t left, std::size_t& used) const;

  std::unique_ptr<std::uint16_t[]> pairs_;        // (lead - 0x81) * 256 + trail
  std::unique_ptr<std::uint32_t[]> from_bmp_;     // a pair, or kFourByte | its index
  std::unique_ptr<std::uint16_t[]> four_to_bmp_;  // kBmpFourByteCount entries
  bool complete_ = false;                         // the pairs left exactly the expected rest
};

}  // namespace platform::text
