#ifndef _WIN32
#include "platform/text/locale_codepages.h"

#include <algorithm>

#include "platform/text/codepage_data.h"

namespace platform::text {
namespace {

const LocaleCodePages* FindLocale(std::uint32_t lcid) {
  switch (lcid) {
    case 0x0000:  // LOCALE_NEUTRAL
    case 0x0400:  // LOCALE_USER_DEFAULT
    case 0x0800:  // LOCALE_SYSTEM_DEFAULT
    case 0x0C00:  // LOCALE_CUSTOM_DEFAULT
    case 0x1000:  // LOCALE_CUSTOM_UNSPECIFIED
    case 0x1400:  // LOCALE_CUSTOM_UI_DEFAULT
      lcid = kSystemLcid;
      break;
    default: break;
  }
  const LocaleCodePages* end = kLocaleCodePages + kLocaleCodePageCount;
  const LocaleCodePages* it = std::lower_bound(
      kLocaleCodePages, end, lcid,
      [](const LocaleCodePages& entry, std::uint32_t id) { return entry.lcid < id; });
  return it != end && it->lcid == lcid ? it : nullptr;
}

// The tables give Unicode-only locales code page 65001; Windows reports them as the
// "ANSI" (0) and "OEM" (1) pseudo code pages instead.
constexpr unsigned kUtf8 = 65001;

}  // namespace

std::optional<unsigned> LocaleAnsiCodePage(std::uint32_t lcid) {
  const LocaleCodePages* entry = FindLocale(lcid);
  if (!entry) return std::nullopt;
  return entry->ansi == kUtf8 ? 0u : entry->ansi;
}

std::optional<unsigned> LocaleOemCodePage(std::uint32_t lcid) {
  const LocaleCodePages* entry = FindLocale(lcid);
  if (!entry) return std::nullopt;
  return entry->oem == kUtf8 ? 1u : entry->oem;
}

}  // namespace platform::text
#endif  // _WIN32
