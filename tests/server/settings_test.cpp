// The settings file read at start-up, beside a stand-in plug-in module copied
// into a directory of the test's own.
#include "server/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/module.h"
#include "platform/profile.h"
#include "server/fltdll.h"
#include "tests/server/test_support.h"

namespace server_test {
namespace {

const std::string kDefaultBody(kFltDefaultSettings, kFltDefaultSettingsLength);

class SettingsStartup : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ForeignDocRegistration()) GTEST_SKIP() << "the Wine prefix registers a .DOC server";
  }
  // Starts the manager as the module-load hook would for a plug-in file of
  // that name in the test's directory.
  int Start(CFltdll* manager, const std::string& moduleName = "docflt.plg") {
    PluginCopy plugin(dir_, moduleName);
    return manager->Init("DOC\0DOT\0", plugin.handle());
  }
  std::string TempPath() {
    char path[260];
    GetTempPathA(sizeof path, path);
    return path;
  }

  TempDir dir_;
  ClassesRootKeys noRegistration_{dir_};
  // Answers to the default name "offfilt.dll" from beside the test program.
  FakeServer defaultServer_{FAKE_DEFAULT_SERVER};
  std::string ini_ = dir_.File("docflt.ini");
};

TEST_F(SettingsStartup, FirstStartWritesTheDefaultSection) {
  CFltdll manager;
  ASSERT_EQ(Start(&manager), 1);
  std::string file = ReadFileBytes(ini_);
  std::string expected = "[SETTINGS]\r\n" + kDefaultBody;
#ifdef _WIN32
  // Windows ends the section with a line end of its own.
  EXPECT_EQ(file.substr(0, expected.size()), expected);
  EXPECT_EQ(file.find_first_not_of("\r\n", expected.size()), std::string::npos);
#else
  EXPECT_EQ(file, expected);
#endif
  EXPECT_STREQ(manager.m_szServerFileName, "offfilt.dll");
  EXPECT_EQ(defaultServer_.Stats().factoryRefs, 1);
  EXPECT_EQ(manager.m_szTmpDir, TempPath());
  EXPECT_NE(manager.m_pSettings, nullptr);
}

TEST_F(SettingsStartup, SectionWithLinesIsUsedAsItStands) {
  std::string missing = dir_.File("missing.dll");
  struct Case {
    std::string body, tmpDir, server;
  } cases[] = {
      {"TMPDIR=" + dir_.File("nowhere") + "\r\n", dir_.File("nowhere"), "offfilt.dll"},
      {"tmpdir = X\r\nserverfilename=" + missing + "\r\n", "X", missing},
      {"TMPDIR=" + std::string(300, 't') + "\r\n", std::string(259, 't'), "offfilt.dll"},
      {"SERVERFILENAME=\r\nTMPDIR=\r\n", TempPath(), "offfilt.dll"},
  };
  for (const Case& c : cases) {
    std::string text = "[Settings]\r\n" + c.body;
    WriteFileBytes(ini_, text);
    CFltdll manager;
    Start(&manager);
    EXPECT_EQ(manager.m_szTmpDir, c.tmpDir) << c.body;
    EXPECT_EQ(manager.m_szServerFileName, c.server) << c.body;
    EXPECT_EQ(ReadFileBytes(ini_), text);
  }
}

TEST_F(SettingsStartup, EmptySectionGetsTheDefaultTextAndOtherSectionsStay) {
  WriteFileBytes(ini_, "[Other]\r\nkeep=1\r\n\r\n[SETTINGS]\r\n\r\n; nothing\r\n[Last]\r\nz=2\r\n");
  CFltdll manager;
  ASSERT_EQ(Start(&manager), 1);
  std::string file = ReadFileBytes(ini_);
  EXPECT_EQ(file.rfind("[Other]\r\nkeep=1\r\n", 0), 0u) << file;
  EXPECT_NE(file.find("[SETTINGS]\r\n" + kDefaultBody), std::string::npos) << file;
  char value[260];
  EXPECT_EQ(GetPrivateProfileStringA("Last", "z", "", value, sizeof value, ini_.c_str()), 1u);
  EXPECT_STREQ(manager.m_szServerFileName, "offfilt.dll");
}

TEST_F(SettingsStartup, ModuleWithoutAThreeCharacterExtensionUsesNoSettings) {
  std::vector<std::string> names = {"docflt.so", "docflt.plug"};
#ifndef _WIN32
  names.push_back("docflt");  // Windows would look for "docflt.dll"
#endif
  for (const std::string& name : names) {
    CFltdll manager;
    EXPECT_EQ(Start(&manager, name), 0) << name;  // no settings, no registration
    EXPECT_STREQ(manager.m_szTmpDir, "") << name;
    EXPECT_STREQ(manager.m_szServerFileName, "") << name;
    EXPECT_EQ(manager.m_pSettings, nullptr) << name;
  }
  EXPECT_EQ(defaultServer_.Stats().classObjectCalls, 0);  // "offfilt.dll" never tried
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
    EXPECT_NE(entry.path().extension(), ".ini") << entry.path();
}

TEST_F(SettingsStartup, WithoutATempPathTheHostDirectoryIsUsed) {
  // A temporary path too long for the buffer is no temporary path.
  const std::string tooLong = "/" + std::string(300, 'd');
#ifdef _WIN32
  const char* vars[] = {"TMP", "TEMP"};
  std::string saved[2];
  for (int i = 0; i < 2; ++i) {
    char value[1024] = "";
    GetEnvironmentVariableA(vars[i], value, sizeof value);
    saved[i] = value;
    SetEnvironmentVariableA(vars[i], tooLong.c_str());
  }
#else
  std::string saved = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
  setenv("TMPDIR", tooLong.c_str(), 1);
#endif
  WriteFileBytes(ini_, "[SETTINGS]\r\nTMPDIR=\r\n");
  CFltdll manager;
  Start(&manager);
#ifdef _WIN32
  for (int i = 0; i < 2; ++i)
    SetEnvironmentVariableA(vars[i], saved[i].empty() ? nullptr : saved[i].c_str());
#else
  if (saved.empty())
    unsetenv("TMPDIR");
  else
    setenv("TMPDIR", saved.c_str(), 1);
#endif
  char program[260];
  ASSERT_GT(GetModuleFileNameA(nullptr, program, sizeof program), 0u);
  std::string expected = program;
  expected.resize(expected.find_last_of("/\\"));
  EXPECT_EQ(manager.m_szTmpDir, expected);
}

TEST(Settings, AnObjectWithoutAFileYieldsTheDefaults) {
  CFltSettings settings;
  EXPECT_FALSE(settings.SetFile(nullptr, "S"));
  EXPECT_FALSE(settings.SetFile("x.ini", nullptr));
  char buffer[260] = "";
  EXPECT_STREQ(settings.GetString("TMPDIR", "dflt", buffer), "dflt");
  EXPECT_STREQ(settings.GetString("TMPDIR", nullptr, buffer), "");
  EXPECT_EQ(settings.GetSection(buffer, sizeof buffer), 0u);
  EXPECT_FALSE(settings.WriteSection("a=1\0"));
}

}  // namespace
}  // namespace server_test
