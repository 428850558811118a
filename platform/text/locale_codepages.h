// The default code pages of Windows locale ids, as GetLocaleInfo reports them.
#pragma once

#include <cstdint>
#include <optional>

namespace platform::text {

// The system and user locale this layer reports on POSIX: English (United States).
inline constexpr std::uint32_t kSystemLcid = 0x0409;

// The locale's default ANSI code page; 0 for a Unicode-only locale; nothing for an id
// Windows does not know. The default-locale ids (LOCALE_NEUTRAL, LOCALE_USER_DEFAULT,
// LOCALE_SYSTEM_DEFAULT, the custom defaults) stand for kSystemLcid; an id with sort bits
// is known only where Windows defines that sort.
std::optional<unsigned> LocaleAnsiCodePage(std::uint32_t lcid);

// The same for the OEM code page; 1 for a Unicode-only locale.
std::optional<unsigned> LocaleOemCodePage(std::uint32_t lcid);

}  // namespace platform::text
