// A compound file read through the open file the module handed over, at the
// offsets the reader asks for (Windows). Owns and closes the handle.
#pragma once

#include <windows.h>

#include "platform/storage/byte_source.h"
#include "wordfilt/isolation/channel_win.h"

namespace wordfilt {
namespace worker {

class HandleSource final : public platform::cfb::ByteSource {
 public:
  HandleSource(isolation::UniqueHandle file, std::uint64_t size)
      : file_(std::move(file)), size_(size) {}
  std::uint64_t size() const override { return size_; }
  bool readAt(std::uint64_t offset, void* dst, std::size_t n, std::size_t* got) const override;

 private:
  isolation::UniqueHandle file_;
  std::uint64_t size_;
};

// Reads up to n bytes at offset (fewer only at the end of the file).
bool ReadHandleAt(HANDLE file, std::uint64_t offset, void* dst, std::size_t n, std::size_t* got);

}  // namespace worker
}  // namespace wordfilt
