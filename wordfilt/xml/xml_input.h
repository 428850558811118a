// Where the XML reader takes its bytes from: a whole buffer, or a stream
// (an inflating zip entry) read piece by piece.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace wordfilt::xml {

class Input {
 public:
  virtual ~Input() = default;
  // Up to `n` bytes into `buffer`; 0 at the end (or when the source fails).
  virtual std::size_t Read(std::uint8_t* buffer, std::size_t n) = 0;
};

class MemoryInput : public Input {
 public:
  MemoryInput(const std::uint8_t* data, std::size_t size) : data_(data), left_(data ? size : 0) {}
  std::size_t Read(std::uint8_t* buffer, std::size_t n) override {
    n = std::min(n, left_);
    if (n != 0) std::memcpy(buffer, data_, n);
    data_ += n;
    left_ -= n;
    return n;
  }

 private:
  const std::uint8_t* data_;
  std::size_t left_;
};

}  // namespace wordfilt::xml
