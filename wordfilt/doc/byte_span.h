// A read-only view of bytes with bounds-checked little-endian reads. Every
// structure of a Word file is read through it, so an offset or a length taken
// from the file can never lead outside the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

namespace wordfilt {

class ByteSpan {
 public:
  ByteSpan() = default;
  ByteSpan(const std::uint8_t* data, std::size_t size) : data_(data), size_(data ? size : 0) {}
  template <typename Allocator>
  explicit ByteSpan(const std::vector<std::uint8_t, Allocator>& bytes)
      : data_(bytes.data()), size_(bytes.size()) {}

  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  // True when [offset, offset + length) lies inside the view; never overflows.
  bool Contains(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }

  // The sub-view [offset, offset + length), or an empty view when it does not fit.
  ByteSpan Sub(std::uint64_t offset, std::uint64_t length) const {
    if (!Contains(offset, length)) return ByteSpan();
    return ByteSpan(data_ + offset, static_cast<std::size_t>(length));
  }

  // Reads that fail (return false, leave the value 0) when out of range.
  bool U8(std::uint64_t offset, std::uint8_t& value) const {
    value = 0;
    if (!Contains(offset, 1)) return false;
    value = data_[offset];
    return true;
  }
  bool U16(std::uint64_t offset, std::uint16_t& value) const {
    value = 0;
    if (!Contains(offset, 2)) return false;
    value = Le16(data_ + offset);
    return true;
  }
  bool U32(std::uint64_t offset, std::uint32_t& value) const {
    value = 0;
    if (!Contains(offset, 4)) return false;
    value = Le32(data_ + offset);
    return true;
  }

  // Copies the record at offset: a structure of platform/little_endian.h
  // fields and bytes, laid out as in the file. Fails (returns false, leaves the
  // record all 0) when it does not fit.
  template <typename Record>
  bool Read(std::uint64_t offset, Record& record) const {
    static_assert(std::is_trivially_copyable<Record>::value && alignof(Record) == 1,
                  "records are plain bytes without padding");
    if (!Contains(offset, sizeof(Record))) {
      std::memset(&record, 0, sizeof(Record));
      return false;
    }
    std::memcpy(&record, data_ + offset, sizeof(Record));
    return true;
  }
  // The same for a record the file stores cut short (a count ahead of it says
  // how much is there): the first `length` bytes are read, the rest are 0.
  template <typename Record>
  bool ReadPrefix(std::uint64_t offset, std::uint64_t length, Record& record) const {
    static_assert(std::is_trivially_copyable<Record>::value && alignof(Record) == 1,
                  "records are plain bytes without padding");
    std::memset(&record, 0, sizeof(Record));
    if (length > sizeof(Record) || !Contains(offset, length)) return false;
    // An empty span may have no buffer at all: nothing to copy from it.
    if (length != 0) std::memcpy(&record, data_ + offset, static_cast<std::size_t>(length));
    return true;
  }

  // Reads where a missing field simply counts as 0 (optional FIB fields).
  std::uint8_t U8Or0(std::uint64_t offset) const {
    std::uint8_t v;
    U8(offset, v);
    return v;
  }
  std::uint16_t U16Or0(std::uint64_t offset) const {
    std::uint16_t v;
    U16(offset, v);
    return v;
  }
  std::uint32_t U32Or0(std::uint64_t offset) const {
    std::uint32_t v;
    U32(offset, v);
    return v;
  }

  // Unchecked reads for loops that have validated the whole range beforehand.
  static std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
  }
  static std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  }

 private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace wordfilt
