#include "wordfilt/worker/handle_source_win.h"

#include <algorithm>

namespace wordfilt {
namespace worker {

bool ReadHandleAt(HANDLE file, std::uint64_t offset, void* dst, std::size_t n, std::size_t* got) {
  *got = 0;
  auto* out = static_cast<unsigned char*>(dst);
  while (*got < n) {
    // A positioned read: the handle's own file pointer is never used.
    OVERLAPPED ov{};
    const std::uint64_t at = offset + *got;
    ov.Offset = static_cast<DWORD>(at);
    ov.OffsetHigh = static_cast<DWORD>(at >> 32);
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n - *got, 1u << 30));
    DWORD read = 0;
    if (!ReadFile(file, out + *got, want, &read, &ov)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return false;
    }
    if (read == 0) break;
    *got += read;
  }
  return true;
}

bool HandleSource::readAt(std::uint64_t offset, void* dst, std::size_t n, std::size_t* got) const {
  return ReadHandleAt(file_.Get(), offset, dst, n, got);
}

}  // namespace worker
}  // namespace wordfilt
