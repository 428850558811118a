// Feeds arbitrary bytes to the decoder of a worker's reply, the one thing the
// server module takes from a process it does not trust. Whatever it accepts
// must encode back to the same bytes and keep every chunk inside the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "wordfilt/isolation/protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace wordfilt::isolation;
  Outcome outcome{};
  wordfilt::DocumentText doc;
  if (!DecodeResult(data, size, &outcome, &doc)) return 0;
  for (const wordfilt::TextChunk& c : doc.chunks) {
    if (c.length == 0 || std::size_t(c.offset) + c.length > doc.text.size()) __builtin_trap();
  }
  const std::vector<std::uint8_t> again = EncodeResult(outcome, doc);
  if (again.size() != size || !std::equal(again.begin(), again.end(), data)) __builtin_trap();
  return 0;
}
