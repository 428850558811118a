// Random-access byte sources for the compound-file reader: the reader never
// needs more than "how long" and "copy these bytes", so files, memory blocks and
// lock-bytes objects all fit behind the same small interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform::cfb {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;
  // Copies up to n bytes at offset into dst and stores how many in *got; fewer
  // than n only at the end of the data. False when the source failed to read.
  virtual bool readAt(std::uint64_t offset, void* dst, std::size_t n, std::size_t* got) const = 0;
};

// Bytes owned by someone else, who keeps them alive and unchanged.
class MemorySource final : public ByteSource {
 public:
  MemorySource(const void* data, std::size_t size)
      : data_(static_cast<const std::uint8_t*>(data)), size_(data ? size : 0) {}
  std::uint64_t size() const override { return size_; }
  bool readAt(std::uint64_t offset, void* dst, std::size_t n, std::size_t* got) const override;

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

// Bytes the source owns.
class VectorSource final : public ByteSource {
 public:
  explicit VectorSource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::uint64_t size() const override { return bytes_.size(); }
  bool readAt(std::uint64_t offset, void* dst, std::size_t n, std::size_t* got) const override;

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace platform::cfb
