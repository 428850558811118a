#include "platform/guard.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

enum class Fault { None, Throw, Crash };

struct Faulty : IUnknown {
  explicit Faulty(Fault f) : fault(f) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    ++releases;
    if (fault == Fault::Throw) throw std::runtime_error("server fault");
    if (fault == Fault::Crash) {
      volatile int* volatile p = nullptr;
      *p = 42;
    }
    return --refs;
  }
  Fault fault;
  ULONG refs = 1;
  int releases = 0;
};

}  // namespace

TEST(GuardedRelease, PlainReleaseAndCaughtException) {
  Faulty good(Fault::None);
  EXPECT_TRUE(platform::GuardedRelease(&good));
  EXPECT_EQ(good.refs, 0u);

  Faulty bad(Fault::Throw);
  EXPECT_FALSE(platform::GuardedRelease(&bad));
  EXPECT_EQ(bad.releases, 1);
  EXPECT_TRUE(platform::GuardedRelease(nullptr));
}

#ifdef _WIN32
TEST(GuardedRelease, AccessViolationIsSurvived) {
  Faulty crash(Fault::Crash);
  EXPECT_FALSE(platform::GuardedRelease(&crash));
  EXPECT_EQ(crash.releases, 1);
  // The guard is reusable and does not swallow faults outside it.
  EXPECT_FALSE(platform::GuardedRelease(&crash));
  Faulty good(Fault::None);
  EXPECT_TRUE(platform::GuardedRelease(&good));
}
#endif
