// Byte sources over an ILockBytes object and over an open file (POSIX).
#pragma once

#ifndef _WIN32
#include <memory>

#include "platform/com.h"
#include "platform/com_ref.h"
#include "platform/storage/byte_source.h"

namespace platform::cfb {

// Reads through ILockBytes::ReadAt; holds a reference to the object. The size
// is taken once, when the source is made.
class LockBytesSource final : public ByteSource {
 public:
  LockBytesSource(ILockBytes* bytes, std::uint64_t size)
      : bytes_(ComRef<ILockBytes>::Share(bytes)), size_(size) {}
  std::uint64_t size() const override { return size_; }
  bool readAt(std::uint64_t offset, void* dst, std::size_t n, std::size_t* got) const override;

 private:
  ComRef<ILockBytes> bytes_;
  std::uint64_t size_;
};

// Reads an open file with pread; owns and closes the descriptor. The first
// bytes are read once and kept: the signature check and the header read that
// follows it would otherwise each cost a system call. A small file is kept
// whole that way: its header, allocation tables, directory and streams would
// take half a dozen reads, which cost more than reading the rest of it.
class FileSource final : public ByteSource {
 public:
  FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  std::uint64_t size() const override { return size_; }
  bool readAt(std::uint64_t offset, void* dst, std::size_t n, std::size_t* got) const override;

 private:
  bool preadAll(std::uint64_t offset, void* dst, std::size_t n, std::size_t* got) const;

  int fd_;
  std::uint64_t size_;
  static constexpr std::size_t kHeadBytes = 512;
  static constexpr std::size_t kWholeBytes = 32 * 1024;  // files up to this are kept whole
  mutable std::unique_ptr<std::uint8_t[]> head_;
  mutable std::size_t headLen_ = 0;  // bytes of head_ that hold the file's first bytes
  mutable bool headRead_ = false;
};

}  // namespace platform::cfb
#endif
