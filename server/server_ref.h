// A reference to an interface of the filter server, released through the fault
// guard: a server that throws or faults while letting go of an object must not
// take the host down.
#pragma once

#include "platform/com_ref.h"
#include "platform/guard.h"

// A call that failed owns nothing it wrote into its out-parameter: detach()
// drops it unreleased, as it may not be an object at all.
template <class T>
using ServerRef = platform::ComRef<T, platform::GuardedReleaser>;
