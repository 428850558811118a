// How the POSIX layer picks the system code pages from the locale environment.
#ifndef _WIN32
#include "platform/text/system_codepage.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Sets the three locale variables for one test and puts the old values back.
class LocaleEnvironment {
 public:
  LocaleEnvironment(const char* lc_all, const char* lc_ctype, const char* lang) {
    const char* values[] = {lc_all, lc_ctype, lang};
    for (int i = 0; i < 3; ++i) {
      const char* old = std::getenv(kNames[i]);
      saved_.push_back(old ? std::make_pair(true, std::string(old)) : std::make_pair(false, ""));
      if (values[i]) {
        setenv(kNames[i], values[i], 1);
      } else {
        unsetenv(kNames[i]);
      }
    }
  }
  ~LocaleEnvironment() {
    for (int i = 0; i < 3; ++i) {
      if (saved_[i].first) {
        setenv(kNames[i], saved_[i].second.c_str(), 1);
      } else {
        unsetenv(kNames[i]);
      }
    }
  }
  LocaleEnvironment(const LocaleEnvironment&) = delete;
  LocaleEnvironment& operator=(const LocaleEnvironment&) = delete;

 private:
  static constexpr const char* kNames[3] = {"LC_ALL", "LC_CTYPE", "LANG"};
  std::vector<std::pair<bool, std::string>> saved_;
};

bool Installed(const char* name) {
  locale_t loc = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return false;
  freelocale(loc);
  return true;
}

using platform::text::DetectAnsiCodePage;

TEST(SystemCodePage, CodesetNames) {
  for (const char* yes : {"UTF-8", "utf8", "Utf-8", "UTF_8"})
    EXPECT_TRUE(platform::text::IsUtf8CodesetName(yes)) << yes;
  for (const char* no : {"ISO-8859-1", "ANSI_X3.4-1968", "UTF-16", "utf", "", "UTF-88"})
    EXPECT_FALSE(platform::text::IsUtf8CodesetName(no)) << no;
  EXPECT_FALSE(platform::text::IsUtf8CodesetName(nullptr));
}

TEST(SystemCodePage, PlainCLocaleIsWestern) {
  LocaleEnvironment env("C", nullptr, nullptr);
  EXPECT_EQ(DetectAnsiCodePage(), 1252u);
  LocaleEnvironment none(nullptr, nullptr, nullptr);
  EXPECT_EQ(DetectAnsiCodePage(), 1252u);
}

TEST(SystemCodePage, Utf8LocaleIsCodePage65001) {
  if (!Installed("C.UTF-8")) GTEST_SKIP() << "no C.UTF-8 locale on this system";
  LocaleEnvironment env(nullptr, nullptr, "C.UTF-8");
  EXPECT_EQ(DetectAnsiCodePage(), 65001u);
}

TEST(SystemCodePage, VariablesOverrideInPosixOrder) {
  if (!Installed("C.UTF-8")) GTEST_SKIP() << "no C.UTF-8 locale on this system";
  {
    LocaleEnvironment env("C", "C.UTF-8", "C.UTF-8");  // LC_ALL wins
    EXPECT_EQ(DetectAnsiCodePage(), 1252u);
  }
  {
    LocaleEnvironment env(nullptr, "C.UTF-8", "C");  // then LC_CTYPE
    EXPECT_EQ(DetectAnsiCodePage(), 65001u);
  }
}

TEST(SystemCodePage, UninstalledLocaleCountsByItsName) {
  LocaleEnvironment utf8(nullptr, nullptr, "xx_NOWHERE.UTF-8@euro");
  EXPECT_EQ(DetectAnsiCodePage(), 65001u);
  LocaleEnvironment latin(nullptr, nullptr, "xx_NOWHERE.ISO-8859-15");
  EXPECT_EQ(DetectAnsiCodePage(), 1252u);
}

TEST(SystemCodePage, OemPageFollowsTheAnsiPage) {
  EXPECT_EQ(platform::text::OemCodePageFor(65001), 65001u);
  EXPECT_EQ(platform::text::OemCodePageFor(1252), 437u);
}

}  // namespace
#endif  // _WIN32
