// UTF-8 (65001) with the Windows treatment of broken input: a lone surrogate encodes as
// U+FFFD, and each broken byte sequence decodes to U+FFFD the way the system splits it.
#pragma once

#include "platform/text/codec.h"

namespace platform::text {

class Utf8Codec final : public Codec {
 public:
  unsigned code_page() const override { return 65001; }
  bool is_utf8() const override { return true; }
  bool AcceptsDecodeFlags(std::uint32_t flags) const override;
  ConvResult Encode(const char16_t* src, std::size_t count, char* dst, std::size_t capacity,
                    const EncodeOptions& options) const override;
  ConvResult Decode(const char* src, std::size_t count, char16_t* dst, std::size_t capacity,
                    std::uint32_t flags) const override;
};

}  // namespace platform::text
