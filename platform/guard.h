// Calls into a filter server that must not take the host down with them.
#pragma once

#include "platform/com.h"

namespace platform {

// Releases one reference of a server's interface. Any C++ exception raised
// inside is caught and ignored; on Windows builds so is a structured exception
// such as an access violation. Returns false when something was caught.
bool GuardedRelease(IUnknown* unknown) noexcept;

// The releaser of platform::ComRef holders of a server's interfaces.
struct GuardedReleaser {
  void operator()(IUnknown* unknown) const noexcept { GuardedRelease(unknown); }
};

}  // namespace platform
