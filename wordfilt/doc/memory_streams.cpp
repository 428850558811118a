#include "wordfilt/doc/memory_streams.h"

namespace wordfilt {

bool SameStreamName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  auto fold = [](char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

bool MemoryStreams::Read(std::u16string_view name, ByteBuffer& out) {
  for (const auto& [n, bytes] : streams_) {
    if (SameStreamName(n, name)) {
      out.assign(bytes.begin(), bytes.end());
      return true;
    }
  }
  return false;
}

}  // namespace wordfilt
