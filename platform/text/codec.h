// A code page's conversions between UTF-16 and bytes, with the Windows results: what is
// written when the output does not fit, which characters count as "default used", which
// flags a page accepts. The Windows-named functions only check arguments and pick a codec.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::text {

enum class ConvError : std::uint8_t {
  kNone,
  kInsufficientBuffer,
  kInvalidParameter,
  kInvalidFlags,
  kNoUnicodeTranslation,
};

struct ConvResult {
  std::size_t count = 0;  // units written, or needed when the capacity is 0
  ConvError error = ConvError::kNone;
};

// The Windows flag values the codecs act on (the public header has them only on POSIX).
inline constexpr std::uint32_t kMbPrecomposed = 0x1;
inline constexpr std::uint32_t kMbErrInvalidChars = 0x8;
inline constexpr std::uint32_t kWcDiscardNs = 0x10;
inline constexpr std::uint32_t kWcSepChars = 0x20;
inline constexpr std::uint32_t kWcDefaultChar = 0x40;
inline constexpr std::uint32_t kWcErrInvalidChars = 0x80;
inline constexpr std::uint32_t kWcCompositeCheck = 0x200;
inline constexpr std::uint32_t kWcNoBestFitChars = 0x400;

// Flags Windows accepts for every code page; the composition flags are accepted and have no
// effect here (no composition tables are carried).
inline constexpr std::uint32_t kEncodeFlagsAccepted = kWcDiscardNs | kWcSepChars | kWcDefaultChar |
                                                      kWcErrInvalidChars | kWcCompositeCheck |
                                                      kWcNoBestFitChars;

struct EncodeOptions {
  std::uint32_t flags = 0;
  const char* default_char = nullptr;  // null: the code page's own default character
  bool* used_default = nullptr;        // set when a character had no mapping
};

class Codec {
 public:
  virtual ~Codec() = default;

  virtual unsigned code_page() const = 0;
  virtual bool is_utf8() const { return false; }
  virtual bool AcceptsDecodeFlags(std::uint32_t flags) const = 0;

  // capacity 0 only counts. When the result does not fit, the output holds what did fit,
  // as Windows leaves it, and the error is kInsufficientBuffer.
  virtual ConvResult Encode(const char16_t* src, std::size_t count, char* dst, std::size_t capacity,
                            const EncodeOptions& options) const = 0;
  virtual ConvResult Decode(const char* src, std::size_t count, char16_t* dst, std::size_t capacity,
                            std::uint32_t flags) const = 0;
};

// The codec of a code page number (CP_ACP and the like already resolved), or null when this
// layer does not know the page. Each codec is built on first use and lives until exit.
const Codec* FindCodec(unsigned code_page);

inline bool IsPrivateUse(char16_t c) { return c >= 0xE000 && c <= 0xF8FF; }

}  // namespace platform::text
