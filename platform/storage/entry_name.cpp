#include "platform/storage/entry_name.h"

namespace platform::cfb {

char16_t UpcaseUnit(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? char16_t(c - 0x20) : c;
  if (c < 0x100) {
    if (c == 0xFF) return 0x178;
    if (c >= 0xE0 && c != 0xF7) return char16_t(c - 0x20);
    return c;  // includes U+00B5 and U+00DF, which Windows leaves alone
  }
  if (c < 0x180) {
    // Latin Extended-A pairs capital/small as even/odd, except around the
    // dotless i (U+0131), and from U+0139 to U+0148 and U+0179 to U+017E
    // where the pairing is odd/even.
    if (c == 0x131) return u'I';
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
      return (c & 1) ? c : char16_t(c - 1);
    }
    if (c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c & 1) ? char16_t(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return char16_t(c - 0x20);
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x3AC && c <= 0x3AF) {
    static const char16_t kTonos[] = {0x386, 0x388, 0x389, 0x38A};
    return kTonos[c - 0x3AC];
  }
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD) return 0x38E;
  if (c == 0x3CE) return 0x38F;
  if (c >= 0x430 && c <= 0x44F) return char16_t(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return char16_t(c - 0x50);
  if (c >= 0x460 && c <= 0x4FF) {
    // Cyrillic extensions pair even/odd, except the palochka block U+04C1..U+04CE.
    if (c >= 0x482 && c <= 0x489) return c;
    if (c >= 0x4C1 && c <= 0x4CE) return (c & 1) ? c : char16_t(c - 1);
    if (c == 0x4CF) return 0x4C0;
    return (c & 1) ? char16_t(c - 1) : c;
  }
  if (c >= 0x561 && c <= 0x586) return char16_t(c - 0x30);    // Armenian
  if (c >= 0xFF41 && c <= 0xFF5A) return char16_t(c - 0x20);  // full-width Latin
  return c;
}

bool NamesEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && UpcaseUnit(a[i]) != UpcaseUnit(b[i])) return false;
  }
  return true;
}

int CompareNames(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char16_t x = UpcaseUnit(a[i]);
    const char16_t y = UpcaseUnit(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

}  // namespace platform::cfb
