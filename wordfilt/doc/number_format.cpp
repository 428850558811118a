#include "wordfilt/doc/number_format.h"

#include <algorithm>

namespace wordfilt {
namespace {

void Roman(std::int32_t n, bool upper, std::u16string& out) {
  static const struct {
    int value;
    const char* digits;
  } kRoman[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"},
                {90, "xc"},  {50, "l"},   {40, "xl"}, {10, "x"},   {9, "ix"},
                {5, "v"},    {4, "iv"},   {1, "i"}};
  if (n <= 0 || n > 3999) n = 1;
  for (const auto& r : kRoman) {
    while (n >= r.value) {
      for (const char* d = r.digits; *d; ++d)
        out.push_back(static_cast<char16_t>(upper ? *d - 32 : *d));
      n -= r.value;
    }
  }
}

void Decimal(std::int64_t n, std::u16string& out) {
  if (n < 0) {
    out.push_back(u'-');
    n = -n;
  }
  char16_t digits[24];
  int k = 0;
  do {
    digits[k++] = static_cast<char16_t>(u'0' + n % 10);
    n /= 10;
  } while (n > 0);
  while (k > 0) out.push_back(digits[--k]);
}

}  // namespace

void FormatNumber(std::int32_t n, std::uint8_t format, std::u16string& out) {
  switch (format) {
    case nfc::kUpperRoman:
    case nfc::kLowerRoman: Roman(n, format == nfc::kUpperRoman, out); break;
    case nfc::kUpperLetter:
    case nfc::kLowerLetter: {
      // a..z, then aa..zz, and so on.
      const std::int32_t m = n <= 0 ? 0 : n - 1;
      const char16_t letter =
          static_cast<char16_t>((format == nfc::kUpperLetter ? u'A' : u'a') + m % 26);
      out.append(static_cast<std::size_t>(std::min(m / 26 + 1, 8)), letter);
      break;
    }
    case nfc::kOrdinal:
      Decimal(n, out);
      out.append(n % 100 >= 11 && n % 100 <= 13 ? u"th"
                 : n % 10 == 1                  ? u"st"
                 : n % 10 == 2                  ? u"nd"
                 : n % 10 == 3                  ? u"rd"
                                                : u"th");
      break;
    case nfc::kLeadingZero:
      if (n >= 0 && n < 10) out.push_back(u'0');
      Decimal(n, out);
      break;
    case nfc::kBullet:
    case nfc::kNone: break;
    default: Decimal(n, out); break;
  }
}

}  // namespace wordfilt
