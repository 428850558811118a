// Double-byte Windows code pages (932, 936, 949, 950): lead bytes open a two-byte character.
#pragma once

#include <array>
#include <memory>

#include "platform/text/codec.h"
#include "platform/text/codepage_data.h"

namespace platform::text {

class DoubleByteCodec final : public Codec {
 public:
  explicit DoubleByteCodec(const DoubleBytePageData& data);

  unsigned code_page() const override { return data_.code_page; }
  bool AcceptsDecodeFlags(std::uint32_t flags) const override;
  ConvResult Encode(const char16_t* src, std::size_t count, char* dst, std::size_t capacity,
                    const EncodeOptions& options) const override;
  ConvResult Decode(const char* src, std::size_t count, char16_t* dst, std::size_t capacity,
                    std::uint32_t flags) const override;

  bool IsLeadByte(unsigned char b) const { return lead_row_[b] != kNotLead; }

 private:
  static constexpr std::uint16_t kNotLead = 0xFFFF;

  char16_t DecodePair(unsigned char lead, unsigned char trail) const {
    return pairs_[static_cast<std::size_t>(lead_row_[lead]) * 256 + trail];
  }
  char16_t DecodeCode(std::uint16_t code) const;  // a byte, or lead << 8 | trail
  bool IsExactOrAllowed(char16_t c, std::uint16_t code, std::uint32_t flags) const;
  bool HasInvalidBytes(const unsigned char* src, std::size_t count) const;
  ConvResult EncodeChecked(const char16_t* src, std::size_t count, char* dst, std::size_t capacity,
                           const EncodeOptions& options) const;

  const DoubleBytePageData& data_;
  std::array<char16_t, 256> single_;
  std::array<std::uint16_t, 256> lead_row_;  // row of a lead byte in pairs_, or kNotLead
  const std::uint16_t* pairs_;
  std::unique_ptr<std::uint16_t[]> from_unicode_;  // 64K entries: a byte, or lead << 8 | trail
  bool ascii_identity_ = true;
};

}  // namespace platform::text
