#include "platform/prefault.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace platform {
namespace {

#ifdef __linux__
#ifndef MADV_POPULATE_READ
#define MADV_POPULATE_READ 22
#endif
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

// The whole pages inside [data, data + size): the partial ones at the ends
// may be shared with other data, which needs no help.
void Populate(const void* data, std::size_t size, int advice) {
  if (size < kPrefaultMinBytes) return;
  static const std::uintptr_t page = [] {
    const long p = sysconf(_SC_PAGESIZE);
    return p > 0 ? static_cast<std::uintptr_t>(p) : 4096u;
  }();
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (begin + page - 1) & ~(page - 1);
  const std::uintptr_t last = (begin + size) & ~(page - 1);
  if (last <= first) return;
  // Older kernels refuse the advice (EINVAL); the pages then fault in as before.
  madvise(reinterpret_cast<void*>(first), last - first, advice);
}
#endif

}  // namespace

void PrefaultForWrite(void* data, std::size_t size) {
#ifdef __linux__
  Populate(data, size, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)size;
#endif
}

void PrefaultForRead(const void* data, std::size_t size) {
#ifdef __linux__
  Populate(data, size, MADV_POPULATE_READ);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace platform
