// Replaces the global operator new and delete of the worker program: each
// block carries its size in front, so that what is freed is counted back.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "wordfilt/worker/allocation_cap.h"

namespace wordfilt {
namespace worker {
namespace {

// Keeps the block behind it aligned as malloc's.
constexpr std::size_t kPrefix = 16;
std::atomic<std::size_t> g_cap{0};
std::atomic<std::size_t> g_used{0};

void* TryAllocate(std::size_t n) {
  if (n > SIZE_MAX - kPrefix) return nullptr;
  const std::size_t cap = g_cap.load(std::memory_order_relaxed);
  const std::size_t used = g_used.fetch_add(n, std::memory_order_relaxed) + n;
  if (cap && (used > cap || used < n)) {
    g_used.fetch_sub(n, std::memory_order_relaxed);
    return nullptr;
  }
  auto* block = static_cast<unsigned char*>(std::malloc(n + kPrefix));
  if (!block) {
    g_used.fetch_sub(n, std::memory_order_relaxed);
    return nullptr;
  }
  *reinterpret_cast<std::size_t*>(block) = n;
  return block + kPrefix;
}

void* Allocate(std::size_t n) {
  for (;;) {
    if (void* p = TryAllocate(n ? n : 1)) return p;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

void Free(void* p) noexcept {
  if (!p) return;
  auto* block = static_cast<unsigned char*>(p) - kPrefix;
  g_used.fetch_sub(*reinterpret_cast<std::size_t*>(block), std::memory_order_relaxed);
  std::free(block);
}

}  // namespace

void SetAllocationCap(std::size_t bytes) { g_cap.store(bytes); }

}  // namespace worker
}  // namespace wordfilt

using wordfilt::worker::Allocate;
using wordfilt::worker::Free;

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return Allocate(n);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return Allocate(n);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p); }
