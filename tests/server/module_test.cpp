// Module names and the temporary directory, against Windows' own answers on
// the win64 build.
#include "platform/module.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/server/test_support.h"

namespace server_test {
namespace {

TEST(ModuleFunctions, NameLoadedModulesAndTheMainProgram) {
  TempDir dir;
  PluginCopy plugin(dir, "docflt.plg");
  char path[260];
  DWORD n = GetModuleFileNameA(plugin.handle(), path, sizeof path);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(std::string(path, n), plugin.path());
  // A module finds its own handle from an address inside it.
  EXPECT_EQ(platform::ModuleFromAddress(plugin.Symbol("AnchorFunction")), plugin.handle());

  // A path that does not fit answers the buffer size.
  char small[8];
  EXPECT_EQ(GetModuleFileNameA(plugin.handle(), small, sizeof small), sizeof small);
#ifndef _WIN32
  EXPECT_EQ(std::string(small), plugin.path().substr(0, 7));
#endif

  char program[260], byHandle[260];
  n = GetModuleFileNameA(nullptr, program, sizeof program);
  ASSERT_GT(n, 0u);
  EXPECT_NE(std::string(program).find("server_tests"), std::string::npos);
  HMODULE main = GetModuleHandleA(nullptr);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(GetModuleFileNameA(main, byHandle, sizeof byHandle), n);
  EXPECT_STREQ(byHandle, program);
  EXPECT_EQ(GetModuleHandleA("docflt-no-such-module.plg"), nullptr);
}

TEST(ModuleFunctions, TempPathEndsInASeparatorAndReportsTheSizeNeeded) {
  char path[260];
  DWORD n = GetTempPathA(sizeof path, path);
  ASSERT_GT(n, 0u);
  ASSERT_EQ(std::strlen(path), n);
#ifdef _WIN32
  EXPECT_EQ(path[n - 1], '\\');
#else
  EXPECT_EQ(path[n - 1], '/');
#endif
  char tooSmall[260];
  EXPECT_EQ(GetTempPathA(n, tooSmall), n + 1);

#ifndef _WIN32
  std::string saved = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
  setenv("TMPDIR", "/var/docflt-tmp", 1);
  n = GetTempPathA(sizeof path, path);
  EXPECT_STREQ(path, "/var/docflt-tmp/");
  EXPECT_EQ(n, 16u);
  setenv("TMPDIR", "", 1);
  GetTempPathA(sizeof path, path);
  EXPECT_STREQ(path, "/tmp/");
  if (saved.empty())
    unsetenv("TMPDIR");
  else
    setenv("TMPDIR", saved.c_str(), 1);
#endif
}

}  // namespace
}  // namespace server_test
