// Maps the pages of a large range in one call before it is written or read,
// instead of one page fault per page: on virtual machines each fault is an
// exit to the host, and a fresh megabyte took about twice as long that way.
#pragma once

#include <cstddef>

namespace platform {

// Ranges below this are left to page faults: the call would cost more.
constexpr std::size_t kPrefaultMinBytes = std::size_t(64) << 10;

// Both only ever speed things up: where the system cannot, nothing happens,
// and the pages are faulted in as they are touched.
void PrefaultForWrite(void* data, std::size_t size);
void PrefaultForRead(const void* data, std::size_t size);

}  // namespace platform
