// The knobs a scriptable fake filter server exports, shared by the server and
// the tests that load it.
#pragma once

#include <cstdint>

namespace fake_server {

enum Mode : std::uint32_t {
  kNoPersistStorage = 1u << 0,  // the filter does not answer IPersistStorage
  kNoPersistFile = 1u << 1,     // the filter does not answer IPersistFile
  kReleaseThrows = 1u << 2,     // every Release of a filter instance throws
  kCreateFails = 1u << 3,       // every CreateInstance fails
  kCreateFailsLater = 1u << 4,  // CreateInstance succeeds once, then fails
  kRefuseClass = 1u << 5,       // DllGetClassObject answers CLASS_E_CLASSNOTAVAILABLE
};

struct Stats {
  std::int32_t liveFilters;       // filter instances not yet destroyed
  std::int32_t factoryRefs;       // references held on the class factory
  std::int32_t createCalls;       // CreateInstance calls
  std::int32_t classObjectCalls;  // DllGetClassObject calls
};

// Sets the mode and zeroes the call counts.
using SetModeFn = void (*)(std::uint32_t mode);
using GetStatsFn = void (*)(Stats* stats);

constexpr char kSetMode[] = "FakeServerSetMode";
constexpr char kGetStats[] = "FakeServerGetStats";

}  // namespace fake_server
