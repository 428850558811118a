#include "platform/storage/byte_source.h"

#include <cstring>

namespace platform::cfb {
namespace {

bool CopyOut(const std::uint8_t* data, std::size_t size, std::uint64_t offset, void* dst,
             std::size_t n, std::size_t* got) {
  std::size_t count = 0;
  if (offset < size) {
    const std::size_t avail = size - static_cast<std::size_t>(offset);
    count = n < avail ? n : avail;
    if (count) std::memcpy(dst, data + offset, count);
  }
  *got = count;
  return true;
}

}  // namespace

bool MemorySource::readAt(std::uint64_t offset, void* dst, std::size_t n, std::size_t* got) const {
  return CopyOut(data_, size_, offset, dst, n, got);
}

bool VectorSource::readAt(std::uint64_t offset, void* dst, std::size_t n, std::size_t* got) const {
  return CopyOut(bytes_.data(), bytes_.size(), offset, dst, n, got);
}

}  // namespace platform::cfb
