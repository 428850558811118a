#ifndef _WIN32
#include "platform/text/system_codepage.h"

#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace platform::text {
namespace {

// newlocale() reads the environment the way setlocale(LC_CTYPE, "") does, without touching
// the process's own locale, which belongs to the host.
bool InstalledLocaleIsUtf8(bool& known) {
  locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  known = loc != static_cast<locale_t>(0);
  if (!known) return false;
  const bool utf8 = IsUtf8CodesetName(nl_langinfo_l(CODESET, loc));
  freelocale(loc);
  return utf8;
}

const char* LocaleName() {
  for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(var);
    if (value && *value) return value;
  }
  return "C";
}

// "lang_TERRITORY.codeset@modifier": the codeset part, or "" when there is none.
bool NameSaysUtf8(const char* name) {
  const char* dot = std::strchr(name, '.');
  if (!dot) return false;
  char codeset[32] = {};
  std::size_t n = 0;
  for (const char* p = dot + 1; *p && *p != '@' && n + 1 < sizeof codeset; ++p) codeset[n++] = *p;
  return IsUtf8CodesetName(codeset);
}

}  // namespace

bool IsUtf8CodesetName(const char* codeset) {
  if (!codeset) return false;
  char folded[8] = {};
  std::size_t n = 0;
  for (const char* p = codeset; *p; ++p) {
    if (*p == '-' || *p == '_') continue;
    if (n + 1 >= sizeof folded) return false;
    folded[n++] = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
  }
  return std::strcmp(folded, "utf8") == 0;
}

unsigned DetectAnsiCodePage() {
  bool known = false;
  const bool utf8 = InstalledLocaleIsUtf8(known);
  if (known) return utf8 ? 65001 : 1252;
  return NameSaysUtf8(LocaleName()) ? 65001 : 1252;
}

unsigned OemCodePageFor(unsigned ansi_code_page) { return ansi_code_page == 65001 ? 65001 : 437; }

}  // namespace platform::text
#endif  // _WIN32
