// Choosing, loading and probing the filter server, with fake servers whose
// faults are set per test and whose live objects are counted.
#include <gtest/gtest.h>

#include <string>

#include "platform/filter.h"
#include "server/fltdll.h"
#include "server/server_ids.h"
#include "server/server_lookup.h"
#include "tests/server/test_support.h"

namespace server_test {
namespace {

using namespace fake_server;

class ServerSelection : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ForeignDocRegistration()) GTEST_SKIP() << "the Wine prefix registers a .DOC server";
  }
  // Starts a manager whose settings file names the server.
  int StartNaming(CFltdll* manager, const std::string& server) {
    WriteFileBytes(dir_.File("docflt.ini"), "[SETTINGS]\r\nSERVERFILENAME=" + server + "\r\n");
    PluginCopy plugin(dir_, "docflt.plg");
    return manager->Init("DOC\0DOT\0", plugin.handle());
  }

  TempDir dir_;
  FakeServer a_{FAKE_SERVER_A};
  FakeServer b_{FAKE_SERVER_B};
};

TEST_F(ServerSelection, SettingsServerComesBeforeTheRegistry) {
  ClassesRootKeys keys(dir_);
  RegisterServer(&keys, "DOC", b_.path());
  {
    CFltdll manager;
    ASSERT_EQ(StartNaming(&manager, a_.path()), 1);
    Stats a = a_.Stats();
    EXPECT_EQ(a.factoryRefs, 1);  // only the factory stays held
    EXPECT_EQ(a.liveFilters, 0);  // the check's and the probe's instances are gone
    EXPECT_EQ(a.createCalls, 2);
    EXPECT_EQ(manager.m_bPersistStorage, TRUE);
    EXPECT_EQ(b_.Stats().classObjectCalls, 0);
  }
  EXPECT_EQ(a_.Stats().factoryRefs, 0);
}

TEST_F(ServerSelection, RegistryServesWhenTheSettingsServerIsUnusable) {
  ClassesRootKeys keys(dir_);
  RegisterServer(&keys, "DOC", a_.path());
  std::string notAModule = dir_.File("text.dll");
  WriteFileBytes(notAModule, "not a module");
  FakeServer noEntry(FAKE_NO_ENTRY_SERVER);
  struct Case {
    std::string server;
    std::uint32_t bMode;
  } cases[] = {
      {dir_.File("missing.dll"), 0}, {notAModule, 0},           {noEntry.path(), 0},
      {b_.path(), kRefuseClass},     {b_.path(), kCreateFails},
  };
  for (const Case& c : cases) {
    b_.SetMode(c.bMode);
    a_.SetMode(0);
    CFltdll manager;
    EXPECT_EQ(StartNaming(&manager, c.server), 1) << c.server << " " << c.bMode;
    EXPECT_EQ(a_.Stats().factoryRefs, 1) << c.server << " " << c.bMode;
    Stats b = b_.Stats();
    EXPECT_EQ(b.factoryRefs, 0);  // a refused factory is released again
    EXPECT_EQ(b.liveFilters, 0);
  }
}

TEST_F(ServerSelection, WithoutAModuleHandleOnlyTheRegistryCounts) {
  FakeServer defaultServer(FAKE_DEFAULT_SERVER);  // "offfilt.dll" could be loaded
  {
    ClassesRootKeys keys(dir_);
    RegisterServer(&keys, "DOC", a_.path());
    CFltdll manager;
    EXPECT_EQ(manager.Init("DOC\0DOT\0", nullptr), 1);
    EXPECT_EQ(a_.Stats().factoryRefs, 1);
    EXPECT_STREQ(manager.m_szTmpDir, "");
  }
  {
    ClassesRootKeys keys(dir_);
    CFltdll manager;
    EXPECT_EQ(manager.Init("DOC\0DOT\0", nullptr), 0);
  }
  EXPECT_EQ(defaultServer.Stats().classObjectCalls, 0);
}

TEST_F(ServerSelection, TheProbeDecidesTheOutcome) {
  ClassesRootKeys keys(dir_);
  RegisterServer(&keys, "DOC", b_.path());
  struct Case {
    std::uint32_t mode;
    int result;
    BOOL storage;
  } cases[] = {
      {kNoPersistStorage, 1, FALSE},
      {kReleaseThrows, 1, TRUE},
      {kNoPersistFile, 0, FALSE},
      {kCreateFailsLater, 0, FALSE},  // the load check passes, the probe's instance fails
  };
  for (const Case& c : cases) {
    a_.SetMode(c.mode);
    {
      CFltdll manager;
      EXPECT_EQ(StartNaming(&manager, a_.path()), c.result) << c.mode;
      EXPECT_EQ(manager.m_bPersistStorage, c.storage) << c.mode;
      Stats a = a_.Stats();
      EXPECT_EQ(a.liveFilters, 0) << c.mode;
      EXPECT_EQ(a.factoryRefs, 1) << c.mode;  // kept even when the probe failed
    }
    EXPECT_EQ(a_.Stats().factoryRefs, 0) << c.mode;
    // The destructor balanced the component library's initialisation.
    HRESULT hr = CoInitialize(nullptr);
    EXPECT_EQ(hr, S_OK) << c.mode;
    CoUninitialize();
  }
  // A server from the settings that fails the probe is not replaced.
  EXPECT_EQ(b_.Stats().classObjectCalls, 0);
}

TEST(LoadFilterServer, HandsOverOneCheckedFactory) {
  FakeServer server(FAKE_SERVER_A);
  IClassFactory* factory = LoadFilterServer(server.path().c_str(), &CLSID_FltFilterServer);
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(server.Stats().factoryRefs, 1);
  EXPECT_EQ(server.Stats().createCalls, 1);
  EXPECT_EQ(server.Stats().liveFilters, 0);
  factory->Release();
  EXPECT_EQ(LoadFilterServer(server.path().c_str(), &IID_IFilter), nullptr);  // unknown class
  EXPECT_EQ(server.Stats().factoryRefs, 0);
}

}  // namespace
}  // namespace server_test
