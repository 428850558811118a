// Feeds arbitrary bytes to the RTF reader, with and without the leading
// "{\rtf" so that the fuzzer need not find it. Checks that the chunks always
// tile the text and that properties stay small.
#include <cstddef>
#include <cstdint>
#include <string>

#include "wordfilt/rtf/rtf_reader.h"

namespace {

void Check(const wordfilt::DocumentText& t) {
  std::size_t at = 0;
  for (const wordfilt::TextChunk& c : t.chunks) {
    if (c.offset != at || c.length == 0 || c.locale == 0) __builtin_trap();
    at += c.length;
  }
  if (at != t.text.size()) __builtin_trap();
  for (const wordfilt::DocumentProperty& p : t.properties) {
    if (p.value.empty() || p.value.size() > 4096) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  wordfilt::DocumentText out;
  if (wordfilt::ExtractRtf(data, size, out) != wordfilt::LoadStatus::kOk) __builtin_trap();
  Check(out);
  std::string prefixed = "{\\rtf1\\ansi ";
  prefixed.append(reinterpret_cast<const char*>(data), size);
  wordfilt::ExtractOptions options;
  options.chunkChars = 8;
  wordfilt::ExtractRtf(reinterpret_cast<const std::uint8_t*>(prefixed.data()), prefixed.size(), out,
                       options);
  Check(out);
  return 0;
}
