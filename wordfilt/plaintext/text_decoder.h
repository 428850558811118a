// Turns the bytes of a text in some encoding into UTF-16: byte-order marks,
// UTF-8, UTF-16 and the Windows code pages the platform converts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wordfilt {

constexpr std::uint32_t kCodePageUtf16Le = 1200;
constexpr std::uint32_t kCodePageUtf16Be = 1201;
constexpr std::uint32_t kCodePageUtf8 = 65001;

// The encoding a byte-order mark at the start of `data` names (UTF-8, UTF-16
// LE or BE) and the mark's length; 0 when there is no mark.
std::uint32_t CodePageFromBom(const std::uint8_t* data, std::size_t size, std::size_t* bomLength);

// True when all of `data` is well-formed UTF-8 (no overlong forms, no
// surrogates). With `allowCutEnd` a sequence cut short by the end passes.
bool IsValidUtf8(const std::uint8_t* data, std::size_t size, bool allowCutEnd = false);

// The code page a charset label (HTML, MIME, XML) names; 0 when the label is
// unknown or names a page this server cannot convert.
std::uint32_t CodePageFromCharset(std::string_view label);

// The system's ANSI code page for 8-bit text of unknown encoding. On a system
// whose code page is UTF-8 this is still UTF-8: bytes that are no UTF-8 then
// decode as Windows-1252 one by one.
std::uint32_t SystemTextCodePage();

class TextDecoder {
 public:
  // Code page 65001 decodes UTF-8 and takes each byte of a malformed sequence
  // as Windows-1252; a page the platform cannot convert decodes as 1252.
  explicit TextDecoder(std::uint32_t codePage);

  std::uint32_t codePage() const { return codePage_; }
  // True for encodings in which bytes below 0x40 always stand for themselves
  // (never the second byte of a character): every page but UTF-16.
  bool AsciiCompatible() const { return kind_ != Kind::kUtf16Le && kind_ != Kind::kUtf16Be; }

  // Appends the UTF-16 text of `n` bytes. For double-byte pages and UTF-8 the
  // bytes should end on a character boundary (a byte below 0x40 ends one);
  // UTF-16 takes an even count (an odd last byte is dropped).
  void Decode(const std::uint8_t* data, std::size_t n, std::u16string& out);
  // True once UTF-8 decoding has met a malformed sequence.
  bool SawMalformed() const { return malformed_; }

 private:
  enum class Kind { kUtf8, kUtf16Le, kUtf16Be, kSingleByte, kDoubleByte };
  void DecodeUtf8(const std::uint8_t* data, std::size_t n, std::u16string& out);
  void DecodeDoubleByte(const std::uint8_t* data, std::size_t n, std::u16string& out);

  std::uint32_t codePage_;
  Kind kind_;
  bool malformed_ = false;
  std::array<char16_t, 256> table_{};
};

}  // namespace wordfilt
