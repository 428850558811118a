#include "wordfilt/html/html_lang.h"

#include <string>

namespace wordfilt {
namespace {

struct Tag {
  const char* tag;
  std::uint32_t lcid;
};

// Region-specific tags first, then each language's main LCID.
constexpr Tag kRegional[] = {
    {"en-gb", 0x0809},   {"en-au", 0x0C09}, {"en-ca", 0x1009},   {"fr-ca", 0x0C0C},
    {"fr-be", 0x080C},   {"fr-ch", 0x100C}, {"de-at", 0x0C07},   {"de-ch", 0x0807},
    {"es-mx", 0x080A},   {"pt-br", 0x0416}, {"zh-tw", 0x0404},   {"zh-hk", 0x0C04},
    {"zh-hant", 0x0404}, {"nl-be", 0x0813}, {"sr-latn", 0x081A}, {"it-ch", 0x0810},
};

constexpr Tag kLanguages[] = {
    {"ar", 0x0401}, {"bg", 0x0402}, {"ca", 0x0403}, {"zh", 0x0804}, {"cs", 0x0405}, {"da", 0x0406},
    {"de", 0x0407}, {"el", 0x0408}, {"en", 0x0409}, {"es", 0x0C0A}, {"fi", 0x040B}, {"fr", 0x040C},
    {"he", 0x040D}, {"iw", 0x040D}, {"hu", 0x040E}, {"is", 0x040F}, {"it", 0x0410}, {"ja", 0x0411},
    {"ko", 0x0412}, {"nl", 0x0413}, {"no", 0x0414}, {"nb", 0x0414}, {"nn", 0x0814}, {"pl", 0x0415},
    {"pt", 0x0816}, {"ro", 0x0418}, {"ru", 0x0419}, {"hr", 0x041A}, {"sk", 0x041B}, {"sq", 0x041C},
    {"sv", 0x041D}, {"th", 0x041E}, {"tr", 0x041F}, {"ur", 0x0420}, {"id", 0x0421}, {"uk", 0x0422},
    {"be", 0x0423}, {"sl", 0x0424}, {"et", 0x0425}, {"lv", 0x0426}, {"lt", 0x0427}, {"fa", 0x0429},
    {"vi", 0x042A}, {"hy", 0x042B}, {"az", 0x042C}, {"eu", 0x042D}, {"mk", 0x042F}, {"af", 0x0436},
    {"ka", 0x0437}, {"hi", 0x0439}, {"ms", 0x043E}, {"kk", 0x043F}, {"sw", 0x0441}, {"bn", 0x0445},
    {"ta", 0x0449}, {"te", 0x044A}, {"mr", 0x044E}, {"gl", 0x0456}, {"sr", 0x0C1A}, {"ga", 0x083C},
    {"cy", 0x0452}, {"mt", 0x043A}, {"lb", 0x046E},
};

}  // namespace

std::uint32_t LcidFromLanguageTag(std::string_view tag) {
  std::string lower;
  for (char c : tag) {
    if (c == ' ' || c == '"' || c == '\'') continue;
    if (lower.size() >= 16) return 0;
    lower.push_back(c == '_' ? '-' : (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c);
  }
  for (const Tag& t : kRegional) {
    const std::string_view name(t.tag);
    if (lower.compare(0, name.size(), name) == 0 &&
        (lower.size() == name.size() || lower[name.size()] == '-')) {
      return t.lcid;
    }
  }
  const std::string primary = lower.substr(0, lower.find('-'));
  for (const Tag& t : kLanguages) {
    if (primary == t.tag) return t.lcid;
  }
  return 0;
}

}  // namespace wordfilt
