#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>

#include "wordfilt/isolation/shared_region.h"

namespace wordfilt {
namespace isolation {

std::size_t SharedRegion::MappedBytes() {
  const long page = sysconf(_SC_PAGESIZE);
  const std::size_t p = page > 0 ? static_cast<std::size_t>(page) : 4096;
  return (kDataOffset + kSharedReplyBytes + p - 1) / p * p;
}

std::unique_ptr<SharedRegion> SharedRegion::Create() {
#if defined(__linux__) && defined(MFD_CLOEXEC) && defined(F_ADD_SEALS)
  const int fd = memfd_create("wordfilt-replies", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (fd < 0) return nullptr;
  const std::size_t size = MappedBytes();
  // Sealed at its size: a worker that could shrink it would make the
  // module's reads of it fault.
  void* base = MAP_FAILED;
  if (ftruncate(fd, static_cast<off_t>(size)) == 0 &&
      fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) == 0) {
    base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  }
  if (base == MAP_FAILED) {
    close(fd);
    return nullptr;
  }
  new (base) Header{};
  return std::unique_ptr<SharedRegion>(new SharedRegion(base, fd));
#else
  return nullptr;
#endif
}

std::unique_ptr<SharedRegion> SharedRegion::Attach(int fd) {
  const std::size_t size = MappedBytes();
  struct stat st {};
  void* base = MAP_FAILED;
  if (fstat(fd, &st) == 0 && static_cast<std::size_t>(st.st_size) == size)
    base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  if (base == MAP_FAILED) return nullptr;
  return std::unique_ptr<SharedRegion>(new SharedRegion(base, -1));
}

SharedRegion::~SharedRegion() {
  CloseFd();
  munmap(base_, MappedBytes());
}

void SharedRegion::CloseFd() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool SharedRegion::Write(const ReplyParts& reply) {
  const std::size_t size = reply.Bytes();
  if (size > kSharedReplyBytes) return false;
  if (size > mapped_) {
    platform::PrefaultForWrite(Data() + mapped_, size - mapped_);
    mapped_ = size;
  }
  reply.CopyTo(Data());
  Control().bytes.store(size, std::memory_order_relaxed);
  return true;
}

}  // namespace isolation
}  // namespace wordfilt
