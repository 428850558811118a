// Movable memory on POSIX: a handle is the address of a header followed by the
// block's bytes. Nothing ever moves, but lock counts are kept so that unlock
// answers as on Windows.
#ifndef _WIN32
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/memory.h"

namespace {

struct Block {
  std::uint64_t magic;
  SIZE_T size;
  unsigned locks;
  unsigned flags;
};
constexpr std::uint64_t kMagic = 0x6B636F6C4267646Cull;  // guards against foreign handles
constexpr SIZE_T kHeader = (sizeof(Block) + 15) & ~SIZE_T(15);

Block* FromHandle(HGLOBAL mem) {
  auto* b = static_cast<Block*>(mem);
  return (b && b->magic == kMagic) ? b : nullptr;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (bytes > SIZE_T(-1) - kHeader) return nullptr;
  void* raw =
      (flags & GMEM_ZEROINIT) ? std::calloc(1, kHeader + bytes) : std::malloc(kHeader + bytes);
  if (!raw) return nullptr;
  auto* b = static_cast<Block*>(raw);
  b->magic = kMagic;
  b->size = bytes;
  b->locks = 0;
  b->flags = flags;
  return b;
}

LPVOID GlobalLock(HGLOBAL mem) {
  Block* b = FromHandle(mem);
  if (!b) return nullptr;
  ++b->locks;
  return reinterpret_cast<char*>(b) + kHeader;
}

BOOL GlobalUnlock(HGLOBAL mem) {
  Block* b = FromHandle(mem);
  if (!b || b->locks == 0) return FALSE;
  --b->locks;
  return b->locks != 0;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
  Block* b = FromHandle(mem);
  if (!b) return mem;
  b->magic = 0;
  std::free(b);
  return nullptr;
}

SIZE_T GlobalSize(HGLOBAL mem) {
  Block* b = FromHandle(mem);
  return b ? b->size : 0;
}

void GlobalMemoryStatus(MEMORYSTATUS* status) {
  if (!status) return;
  std::memset(status, 0, sizeof(*status));
  status->dwLength = sizeof(*status);
  long pageSize = sysconf(_SC_PAGESIZE);
  long total = sysconf(_SC_PHYS_PAGES);
  long avail = sysconf(_SC_AVPHYS_PAGES);
  if (pageSize > 0 && total > 0) status->dwTotalPhys = SIZE_T(total) * SIZE_T(pageSize);
  if (pageSize > 0 && avail > 0) status->dwAvailPhys = SIZE_T(avail) * SIZE_T(pageSize);
  if (status->dwTotalPhys)
    status->dwMemoryLoad = DWORD(100 - (status->dwAvailPhys * 100) / status->dwTotalPhys);
  status->dwTotalVirtual = status->dwAvailVirtual = SIZE_T(1) << 47;
}
#endif
