// Single-byte Windows code pages (874, 1250-1258, the OEM pages).
#pragma once

#include <array>
#include <memory>

#include "platform/text/codec.h"
#include "platform/text/codepage_data.h"

namespace platform::text {

class SingleByteCodec final : public Codec {
 public:
  explicit SingleByteCodec(const SingleBytePageData& data);

  unsigned code_page() const override { return data_.code_page; }
  bool AcceptsDecodeFlags(std::uint32_t flags) const override;
  ConvResult Encode(const char16_t* src, std::size_t count, char* dst, std::size_t capacity,
                    const EncodeOptions& options) const override;
  ConvResult Decode(const char* src, std::size_t count, char16_t* dst, std::size_t capacity,
                    std::uint32_t flags) const override;

 private:
  // The plain table lookup, with or without best fit; no checks.
  void EncodeFast(const char16_t* src, std::size_t count, unsigned char* dst) const;
  ConvResult EncodeChecked(const char16_t* src, std::size_t count, char* dst, std::size_t capacity,
                           const EncodeOptions& options) const;
  bool IsExactOrAllowed(char16_t c, unsigned char b, std::uint32_t flags) const;
  bool HasInvalidBytes(const unsigned char* src, std::size_t count) const;

  const SingleBytePageData& data_;
  std::array<char16_t, 256> to_unicode_;
  std::unique_ptr<unsigned char[]> from_unicode_;  // 64K entries, best fit included
  bool ascii_identity_ = true;                     // bytes 0-0x7F are U+0000-U+007F both ways
};

}  // namespace platform::text
