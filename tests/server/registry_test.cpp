// The registry lookup chain (through Wine's registry on win64) and, on POSIX,
// the registration file the classes root is read from.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/module.h"
#include "platform/profile/text_file.h"
#include "server/server_lookup.h"
#include "tests/server/test_support.h"

namespace server_test {
namespace {

constexpr char kExt[] = "ZZDOCFLTTEST";
constexpr char kHandlerKey[] = ".ZZDOCFLTTEST\\PersistentHandler";

TEST(RegistryLookup, FollowsHandlerAddinAndServerKeys) {
  TempDir dir;
  ClassesRootKeys keys(dir);
  RegisterServer(&keys, kExt, "C:\\Filters\\server.dll");
  char path[260];
  ASSERT_TRUE(FindRegisteredServer(kExt, path));
  EXPECT_STREQ(path, "C:\\Filters\\server.dll");
}

TEST(RegistryLookup, EndsAtAMissingUnreadableOrOverlongStep) {
  TempDir dir;
  char path[260] = "untouched";
  {
    ClassesRootKeys keys(dir);  // the handler key exists but has no default value
    keys.Create(kHandlerKey);
    EXPECT_FALSE(FindRegisteredServer(kExt, path));
  }
  {
    // A handler value that fits its buffer but not the next key path.
    ClassesRootKeys keys(dir);
    std::string handler(240, 'H');
    keys.Set(kHandlerKey, handler);
    char value[260];
    ASSERT_TRUE(QueryClassesRootDefault(kHandlerKey, value));
    EXPECT_EQ(value, handler);
    EXPECT_FALSE(FindRegisteredServer(kExt, path));
  }
  {
    // A value longer than the buffer is an unreadable key.
    ClassesRootKeys keys(dir);
    keys.Set(kHandlerKey, std::string(300, 'L'));
    char value[260] = "kept";
    EXPECT_NE(QueryDefaultValue(HKEY_CLASSES_ROOT, kHandlerKey, value), 0);
    EXPECT_STREQ(value, "kept");
    EXPECT_FALSE(FindRegisteredServer(kExt, path));
  }
  {
    ClassesRootKeys keys(dir);
    RegisterServer(&keys, kExt, "server.dll");
    EXPECT_TRUE(FindRegisteredServer(kExt, path));
    EXPECT_FALSE(FindRegisteredServer("ZZDOCFLTNONE", path));
  }
  EXPECT_STREQ(path, "server.dll");
}

#ifndef _WIN32

class RegistrationFile : public ::testing::Test {
 protected:
  ~RegistrationFile() override { platform::SetRegistrationFile(nullptr); }
  void Use(const std::string& text) {
    WriteFileBytes(file_, text);
    platform::SetRegistrationFile(file_.c_str());
  }
  std::string Value(const char* key, LONG expected = 0) {
    char value[260] = "";
    EXPECT_EQ(QueryDefaultValue(HKEY_CLASSES_ROOT, key, value), expected) << key;
    return value;
  }

  TempDir dir_;
  std::string file_ = dir_.File("test.reg");
};

TEST_F(RegistrationFile, ReadsDefaultValuesOfClassesRootKeys) {
  Use("REGEDIT4\r\n\r\n; comment\r\n"
      "[HKEY_CLASSES_ROOT\\.doc\\PersistentHandler]\r\n@=\"{H}\"\r\n\"Named\"=\"x\"\r\n"
      "[HKEY_CLASSES_ROOT\\Esc]\r\n@=\"C:\\\\dir\\\\\\\"q\\\"\"\r\n"
      "[HKEY_CLASSES_ROOT\\Hex]\r\n@=hex(2):25,00,\\\r\n  00,00\r\n"
      "[HKEY_CLASSES_ROOT\\Gone]\r\n@=\"x\"\r\n[-HKEY_CLASSES_ROOT\\Gone]\r\n"
      "[HKEY_CLASSES_ROOT\\Unset]\r\n@=\"x\"\r\n@=-\r\n"
      "[HKEY_CLASSES_ROOT\\Later]\r\n@=\"first\"\r\n[HKEY_CLASSES_ROOT\\Later]\r\n@=\"second\"\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n@=\"no\"\r\n");
  EXPECT_EQ(Value(".DOC\\persistenthandler"), "{H}");
  EXPECT_EQ(Value("\\.doc\\PersistentHandler\\"), "{H}");
  EXPECT_EQ(Value(".doc"), "");  // a parent exists, with no value
  EXPECT_EQ(Value("Esc"), "C:\\dir\\\"q\"");
  EXPECT_EQ(Value("Hex"), "");
  EXPECT_EQ(Value("Unset"), "");
  EXPECT_EQ(Value("Later"), "second");
  Value("Gone", ERROR_FILE_NOT_FOUND);
  Value("Software\\Other", ERROR_FILE_NOT_FOUND);
  Value(".doc\\\\PersistentHandler", ERROR_FILE_NOT_FOUND);
  Value("\\\\.doc", ERROR_BAD_PATHNAME);

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ".doc", 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
  char small[3] = "ab";
  LONG cb = sizeof small;
  EXPECT_EQ(RegQueryValueA(key, "PersistentHandler", small, &cb), ERROR_MORE_DATA);
  EXPECT_EQ(cb, 4);
  EXPECT_STREQ(small, "ab");
  RegCloseKey(key);
}

TEST_F(RegistrationFile, OnlyRegistrationFilesHoldKeys) {
  const std::string body = "\r\n[HKEY_CLASSES_ROOT\\K]\r\n@=\"v\"\r\n";
  Use("Windows Registry Editor Version 5.00\r\n" + body);
  EXPECT_EQ(Value("K"), "v");
  Use("\xFF\xFE" + platform::Utf8ToUtf16("Windows Registry Editor Version 5.00\r\n" + body, false));
  EXPECT_EQ(Value("K"), "v");
  Use("REGEDIT5\r\n" + body);
  Value("K", ERROR_FILE_NOT_FOUND);
  Use(std::string("\x7F"
                  "ELF\0\0\0",
                  7) +
      body);
  Value("K", ERROR_FILE_NOT_FOUND);
  platform::SetRegistrationFile(dir_.File("missing.reg").c_str());
  Value("K", ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistrationFile, DefaultFileLiesBesideTheModule) {
  // The registry code is linked into this program, so its file is beside it.
  char program[260];
  ASSERT_GT(GetModuleFileNameA(nullptr, program, sizeof program), 0u);
  std::string beside = std::string(program) + ".reg";  // "server_tests" has no extension
  WriteFileBytes(beside, "REGEDIT4\r\n[HKEY_CLASSES_ROOT\\BesideKey]\r\n@=\"here\"\r\n");
  platform::SetRegistrationFile(nullptr);
  std::string value = Value("BesideKey");
  std::remove(beside.c_str());
  EXPECT_EQ(value, "here");
}

#endif

}  // namespace
}  // namespace server_test
