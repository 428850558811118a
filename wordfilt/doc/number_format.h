// Numbers as list numbers show them: decimal, roman, letters, ordinals.
#pragma once

#include <cstdint>
#include <string>

namespace wordfilt {

// Number formats (nfc) that both list formats share.
namespace nfc {
constexpr std::uint8_t kDecimal = 0;
constexpr std::uint8_t kUpperRoman = 1;
constexpr std::uint8_t kLowerRoman = 2;
constexpr std::uint8_t kUpperLetter = 3;
constexpr std::uint8_t kLowerLetter = 4;
constexpr std::uint8_t kOrdinal = 5;
constexpr std::uint8_t kLeadingZero = 22;
constexpr std::uint8_t kBullet = 23;
constexpr std::uint8_t kNone = 255;
}  // namespace nfc

// Appends n in format `format` to out; bullets and "none" append nothing,
// formats without a rendering here show as decimal.
void FormatNumber(std::int32_t n, std::uint8_t format, std::u16string& out);

}  // namespace wordfilt
