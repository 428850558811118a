// The profile functions. The same cases run against Windows' own functions
// under Wine, which keeps our POSIX reader honest about Windows' answers.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/profile/text_file.h"
#include "tests/server/test_support.h"

namespace server_test {
namespace {

class ProfileFile : public ::testing::Test {
 protected:
  std::string Get(const char* section, const char* key, const char* def = "DEF", DWORD size = 260) {
    char buffer[300];
    DWORD n = GetPrivateProfileStringA(section, key, def, buffer, size, ini_.c_str());
    EXPECT_EQ(n, std::strlen(buffer)) << section << "/" << key;
    return buffer;
  }
  std::string Section(const char* section, DWORD size) {
    char buffer[300];
    DWORD n = GetPrivateProfileSectionA(section, buffer, size, ini_.c_str());
    return std::string(buffer, n);
  }

  TempDir dir_;
  std::string ini_ = dir_.File("test.ini");
};

TEST_F(ProfileFile, FindsKeysAsWindowsDoes) {
  WriteFileBytes(ini_,
                 "  [Sec]  \r\n  Key1  =  \"quoted val\"  \r\nkey1=second\r\nk2='x\r\nk3=\"\"\r\n"
                 "k4= a b \r\nk6\r\n[sec]\r\nk7=dup\r\n[ Sp ]\r\nz=1\r\n[U]\nlf=1\rcr=2");
  EXPECT_EQ(Get("sec", "KEY1"), "quoted val");  // first of two keys, quotes dropped
  EXPECT_EQ(Get("SEC", "k2"), "'x");            // a lone quote stays
  EXPECT_EQ(Get("sec", "k3"), "");
  EXPECT_EQ(Get("sec", "k4"), "a b");
  EXPECT_EQ(Get("sec", "k6"), "DEF");  // a line without '=' is no key
  EXPECT_EQ(Get("sec", "k7"), "DEF");  // a second section of the name is not read
  EXPECT_EQ(Get("Sp", "z"), "1");
  EXPECT_EQ(Get("U", "lf"), "1");
  EXPECT_EQ(Get("U", "cr"), "2");
  EXPECT_EQ(Get("U", "none", "dd  "), "dd");
  EXPECT_EQ(Get("U", "none", nullptr), "");
  EXPECT_EQ(Get("Nope", "z"), "DEF");
  WriteFileBytes(ini_, "");
  EXPECT_EQ(Get("sec", "KEY1"), "DEF");
}

TEST_F(ProfileFile, SurvivesBinaryAndLongLinesAndCutsValues) {
  std::string junk;
  for (int i = 0; i < 5000; ++i) junk.push_back(static_cast<char>(i * 7));
  std::string longLine(1 << 20, 'L');
  WriteFileBytes(ini_, junk + "\n" + longLine + "\n[S]\r\nv=" + std::string(300, 'x') + "\r\nq=\"" +
                           std::string(300, 'y') + "\"\r\nlast=end");
  EXPECT_EQ(Get("S", "v"), std::string(259, 'x'));
  EXPECT_EQ(Get("S", "q"), std::string(259, 'y'));
  EXPECT_EQ(Get("S", "last"), "end");  // no line end after the last line
  EXPECT_EQ(Get("S", "v", "DEF", 4), "xxx");
}

// The reader takes a file in growing blocks: a key in a file's last bytes is
// found whatever the size is against a block's.
TEST_F(ProfileFile, ReadsTheLastKeyOfFilesAroundBlockSizes) {
  for (std::size_t size : {4095u, 4096u, 4097u, 8192u, 12289u}) {
    const std::string head = "[S]\r\n;";
    const std::string tail = "\r\nlast=end";
    WriteFileBytes(ini_, head + std::string(size - head.size() - tail.size(), 'c') + tail);
    EXPECT_EQ(Get("S", "last"), "end") << size;
  }
}

TEST_F(ProfileFile, ListsTheLinesOfASection) {
  EXPECT_EQ(Section("S", 100), "");  // no file
  WriteFileBytes(ini_, "[S]\r\n\r\n;comment\r\n  a = 1 \r\nbare\r\n[E]\r\n\r\n; note\r\n");
  EXPECT_EQ(Section("s", 100), std::string("a=1\0bare\0", 9));
  EXPECT_EQ(Section("E", 100), "");
  EXPECT_EQ(Section("Missing", 100), "");
  // A list that does not fit: size - 2, the last string cut, two NULs.
  char buffer[6];
  ASSERT_EQ(GetPrivateProfileSectionA("S", buffer, sizeof buffer, ini_.c_str()), 4u);
  EXPECT_EQ(std::string(buffer, 5), std::string("a=1\0\0", 5));
  ASSERT_EQ(GetPrivateProfileSectionA("S", buffer, 5, ini_.c_str()), 3u);
  EXPECT_EQ(std::string(buffer, 5), std::string("a=1\0\0", 5));
}

TEST_F(ProfileFile, SectionWriteReplacesOneSectionAndKeepsTheRest) {
  WriteFileBytes(ini_, "[Other]\r\na=1\r\n\r\n[settings]\r\nold=1\r\n\r\n[Third]\r\nb=2");
  ASSERT_TRUE(WritePrivateProfileSectionA("SETTINGS", "x=1\0y=2\0", ini_.c_str()));
  std::string file = ReadFileBytes(ini_);
  EXPECT_EQ(file.rfind("[Other]\r\na=1\r\n", 0), 0u) << file;
  EXPECT_NE(file.find("[settings]\r\nx=1\r\ny=2\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("[Third]\r\nb=2"), std::string::npos) << file;
  EXPECT_EQ(Get("Other", "a"), "1");
  EXPECT_EQ(Get("SETTINGS", "y"), "2");
  EXPECT_EQ(Get("SETTINGS", "old"), "DEF");
  EXPECT_EQ(Get("Third", "b"), "2");

  // Duplicate sections: the first takes the body, none keeps stale keys.
  WriteFileBytes(ini_, "[S]\r\na=1\r\n[T]\r\nt=1\r\n[s]\r\nb=2\r\n");
  ASSERT_TRUE(WritePrivateProfileSectionA("S", "new=1\0", ini_.c_str()));
  EXPECT_EQ(Get("S", "new"), "1");
  EXPECT_EQ(Get("S", "a"), "DEF");
  EXPECT_EQ(Get("T", "t"), "1");
  EXPECT_EQ(Section("s", 100), std::string("new=1\0", 6));

  // A missing file is created; a missing directory fails.
  std::string fresh = dir_.File("fresh.ini");
  ASSERT_TRUE(WritePrivateProfileSectionA("N", "k=v\0", fresh.c_str()));
  EXPECT_EQ(ReadFileBytes(fresh).rfind("[N]\r\nk=v\r\n", 0), 0u);
  EXPECT_FALSE(WritePrivateProfileSectionA("N", "k=v\0", dir_.File("no/such/x.ini").c_str()));
}

TEST_F(ProfileFile, ReadsAndKeepsUnicodeFiles) {
  std::string utf16 = "\xFF\xFE" + platform::Utf8ToUtf16("[S]\r\nk=v\r\n", false);
  WriteFileBytes(ini_, utf16);
  EXPECT_EQ(Get("S", "k"), "v");
  ASSERT_TRUE(WritePrivateProfileSectionA("T", "x=1\0", ini_.c_str()));
  EXPECT_EQ(ReadFileBytes(ini_).substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(Get("T", "x"), "1");
  EXPECT_EQ(Get("S", "k"), "v");

  WriteFileBytes(ini_, "\xEF\xBB\xBF[S]\r\nk=v\r\n");
  EXPECT_EQ(Get("S", "k"), "v");
}

#ifndef _WIN32
TEST_F(ProfileFile, OversizedFileIsNeitherReadNorRewritten) {
  std::string big = "[S]\r\nk=v\r\n" + std::string(platform::kMaxTextFileBytes, ';');
  WriteFileBytes(ini_, big);
  EXPECT_EQ(Get("S", "k"), "DEF");
  EXPECT_EQ(Section("S", 100), "");
  EXPECT_FALSE(WritePrivateProfileSectionA("S", "k=w\0", ini_.c_str()));
  EXPECT_EQ(ReadFileBytes(ini_).size(), big.size());
}
#endif

}  // namespace
}  // namespace server_test
