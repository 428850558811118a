#include "wordfilt/ooxml/language_tags.h"

#include <algorithm>
#include <cstring>

namespace wordfilt {
namespace {

struct Tag {
  const char* name;  // lower case
  std::uint16_t lcid;
};

// Sorted by name. A bare language stands for its main region.
constexpr Tag kTags[] = {
    {"af", 0x0436},    {"af-za", 0x0436}, {"am", 0x045E},      {"ar", 0x0401},    {"ar-ae", 0x3801},
    {"ar-bh", 0x3C01}, {"ar-dz", 0x1401}, {"ar-eg", 0x0C01},   {"ar-iq", 0x0801}, {"ar-jo", 0x2C01},
    {"ar-kw", 0x3401}, {"ar-lb", 0x3001}, {"ar-ly", 0x1001},   {"ar-ma", 0x1801}, {"ar-om", 0x2001},
    {"ar-qa", 0x4001}, {"ar-sa", 0x0401}, {"ar-sy", 0x2801},   {"ar-tn", 0x1C01}, {"ar-ye", 0x2401},
    {"az", 0x042C},    {"be", 0x0423},    {"be-by", 0x0423},   {"bg", 0x0402},    {"bg-bg", 0x0402},
    {"bn", 0x0445},    {"bs", 0x141A},    {"ca", 0x0403},      {"ca-es", 0x0403}, {"cs", 0x0405},
    {"cs-cz", 0x0405}, {"cy", 0x0452},    {"cy-gb", 0x0452},   {"da", 0x0406},    {"da-dk", 0x0406},
    {"de", 0x0407},    {"de-at", 0x0C07}, {"de-ch", 0x0807},   {"de-de", 0x0407}, {"de-li", 0x1407},
    {"de-lu", 0x1007}, {"el", 0x0408},    {"el-gr", 0x0408},   {"en", 0x0409},    {"en-au", 0x0C09},
    {"en-bz", 0x2809}, {"en-ca", 0x1009}, {"en-gb", 0x0809},   {"en-ie", 0x1809}, {"en-in", 0x4009},
    {"en-jm", 0x2009}, {"en-nz", 0x1409}, {"en-ph", 0x3409},   {"en-sg", 0x4809}, {"en-tt", 0x2C09},
    {"en-us", 0x0409}, {"en-za", 0x1C09}, {"en-zw", 0x3009},   {"es", 0x0C0A},    {"es-ar", 0x2C0A},
    {"es-bo", 0x400A}, {"es-cl", 0x340A}, {"es-co", 0x240A},   {"es-cr", 0x140A}, {"es-do", 0x1C0A},
    {"es-ec", 0x300A}, {"es-es", 0x0C0A}, {"es-gt", 0x100A},   {"es-hn", 0x480A}, {"es-mx", 0x080A},
    {"es-ni", 0x4C0A}, {"es-pa", 0x180A}, {"es-pe", 0x280A},   {"es-pr", 0x500A}, {"es-py", 0x3C0A},
    {"es-sv", 0x440A}, {"es-us", 0x540A}, {"es-uy", 0x380A},   {"es-ve", 0x200A}, {"et", 0x0425},
    {"et-ee", 0x0425}, {"eu", 0x042D},    {"eu-es", 0x042D},   {"fa", 0x0429},    {"fa-ir", 0x0429},
    {"fi", 0x040B},    {"fi-fi", 0x040B}, {"fil", 0x0464},     {"fo", 0x0438},    {"fr", 0x040C},
    {"fr-be", 0x080C}, {"fr-ca", 0x0C0C}, {"fr-ch", 0x100C},   {"fr-fr", 0x040C}, {"fr-lu", 0x140C},
    {"fr-mc", 0x180C}, {"ga", 0x083C},    {"gd", 0x0491},      {"gl", 0x0456},    {"gu", 0x0447},
    {"he", 0x040D},    {"he-il", 0x040D}, {"hi", 0x0439},      {"hi-in", 0x0439}, {"hr", 0x041A},
    {"hr-hr", 0x041A}, {"hu", 0x040E},    {"hu-hu", 0x040E},   {"hy", 0x042B},    {"id", 0x0421},
    {"id-id", 0x0421}, {"is", 0x040F},    {"is-is", 0x040F},   {"it", 0x0410},    {"it-ch", 0x0810},
    {"it-it", 0x0410}, {"ja", 0x0411},    {"ja-jp", 0x0411},   {"ka", 0x0437},    {"kk", 0x043F},
    {"km", 0x0453},    {"kn", 0x044B},    {"ko", 0x0412},      {"ko-kr", 0x0412}, {"lb", 0x046E},
    {"lo", 0x0454},    {"lt", 0x0427},    {"lt-lt", 0x0427},   {"lv", 0x0426},    {"lv-lv", 0x0426},
    {"mk", 0x042F},    {"ml", 0x044C},    {"mn", 0x0450},      {"mr", 0x044E},    {"ms", 0x043E},
    {"mt", 0x043A},    {"nb", 0x0414},    {"nb-no", 0x0414},   {"ne", 0x0461},    {"nl", 0x0413},
    {"nl-be", 0x0813}, {"nl-nl", 0x0413}, {"nn", 0x0814},      {"nn-no", 0x0814}, {"no", 0x0414},
    {"pa", 0x0446},    {"pl", 0x0415},    {"pl-pl", 0x0415},   {"pt", 0x0816},    {"pt-br", 0x0416},
    {"pt-pt", 0x0816}, {"ro", 0x0418},    {"ro-ro", 0x0418},   {"ru", 0x0419},    {"ru-ru", 0x0419},
    {"si", 0x045B},    {"sk", 0x041B},    {"sk-sk", 0x041B},   {"sl", 0x0424},    {"sl-si", 0x0424},
    {"sq", 0x041C},    {"sr", 0x0C1A},    {"sr-latn", 0x081A}, {"sv", 0x041D},    {"sv-fi", 0x081D},
    {"sv-se", 0x041D}, {"sw", 0x0441},    {"ta", 0x0449},      {"te", 0x044A},    {"th", 0x041E},
    {"th-th", 0x041E}, {"tr", 0x041F},    {"tr-tr", 0x041F},   {"uk", 0x0422},    {"uk-ua", 0x0422},
    {"ur", 0x0420},    {"uz", 0x0443},    {"vi", 0x042A},      {"vi-vn", 0x042A}, {"zh", 0x0804},
    {"zh-cn", 0x0804}, {"zh-hk", 0x0C04}, {"zh-mo", 0x1404},   {"zh-sg", 0x1004}, {"zh-tw", 0x0404},
};

std::uint32_t Find(std::string_view key) {
  const auto* end = std::end(kTags);
  const auto* found = std::lower_bound(
      std::begin(kTags), end, key,
      [](const Tag& t, std::string_view k) { return std::string_view(t.name) < k; });
  return found != end && std::string_view(found->name) == key ? found->lcid : 0;
}

}  // namespace

std::uint32_t LcidFromTag(std::string_view tag) {
  char lower[16];
  if (tag.empty() || tag.size() >= sizeof lower) return 0;
  for (std::size_t i = 0; i < tag.size(); ++i) {
    char c = tag[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '_') c = '-';
    lower[i] = c;
  }
  const std::string_view key(lower, tag.size());
  if (const std::uint32_t lcid = Find(key)) return lcid;
  // A region we do not list: the language's own entry.
  const std::size_t dash = key.find('-');
  return dash == std::string_view::npos ? 0 : Find(key.substr(0, dash));
}

}  // namespace wordfilt
