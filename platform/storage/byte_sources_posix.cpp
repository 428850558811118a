#ifndef _WIN32
#include "platform/storage/byte_sources_posix.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace platform::cfb {

bool LockBytesSource::readAt(std::uint64_t offset, void* dst, std::size_t n,
                             std::size_t* got) const {
  *got = 0;
  auto* out = static_cast<std::uint8_t*>(dst);
  while (*got < n) {
    constexpr std::size_t kChunk = 1u << 30;  // ReadAt counts in 32 bits
    const std::size_t want = n - *got < kChunk ? n - *got : kChunk;
    ULARGE_INTEGER at;
    at.QuadPart = offset + *got;
    ULONG read = 0;
    if (FAILED(bytes_->ReadAt(at, out + *got, ULONG(want), &read))) return false;
    if (read > want) return false;
    if (read == 0) break;
    *got += read;
  }
  return true;
}

FileSource::~FileSource() { close(fd_); }

bool FileSource::readAt(std::uint64_t offset, void* dst, std::size_t n, std::size_t* got) const {
  if (!headRead_ && offset < kHeadBytes) {
    const std::size_t want = size_ <= kWholeBytes ? std::size_t(size_) : kHeadBytes;
    head_.reset(new (std::nothrow) std::uint8_t[want ? want : 1]);
    if (head_) {  // without the memory, every read goes to the file
      if (!preadAll(0, head_.get(), want, &headLen_)) return false;
      headRead_ = true;
    }
  }
  if (headRead_ && offset <= headLen_ && n <= headLen_ - offset) {
    if (n) std::memcpy(dst, head_.get() + offset, n);
    *got = n;
    return true;
  }
  return preadAll(offset, dst, n, got);
}

bool FileSource::preadAll(std::uint64_t offset, void* dst, std::size_t n, std::size_t* got) const {
  *got = 0;
  auto* out = static_cast<std::uint8_t*>(dst);
  while (*got < n) {
    const ssize_t r = pread(fd_, out + *got, n - *got, off_t(offset + *got));
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (r == 0) break;
    *got += std::size_t(r);
  }
  return true;
}

}  // namespace platform::cfb
#endif
