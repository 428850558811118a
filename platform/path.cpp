#include "platform/path.h"

#include "platform/utf.h"

namespace platform {

std::string NarrowPath(std::u16string_view path) {
  const std::size_t end = path.find(u'\0');
  if (end != std::u16string_view::npos) path = path.substr(0, end);
  std::string out;
  bool bytes = true;
  for (char16_t u : path) bytes = bytes && u <= 0xFF;
  if (bytes) {
    out.reserve(path.size());
    for (char16_t u : path) out.push_back(static_cast<char>(static_cast<unsigned char>(u)));
    return out;
  }
  out.reserve(path.size() * 3);
  AppendUtf8(path, &out);
  return out;
}

}  // namespace platform
