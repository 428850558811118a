// A StreamSource over streams held in memory, for tools, tests and fuzzing.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "wordfilt/doc/stream_source.h"

namespace wordfilt {

class MemoryStreams : public StreamSource {
 public:
  void Add(std::u16string name, std::vector<std::uint8_t> bytes) {
    streams_.emplace_back(std::move(name), std::move(bytes));
  }
  bool Read(std::u16string_view name, ByteBuffer& out) override;

 private:
  std::vector<std::pair<std::u16string, std::vector<std::uint8_t>>> streams_;
};

// Compares stream names the way compound files do: ASCII letters without regard to case.
bool SameStreamName(std::u16string_view a, std::u16string_view b);

}  // namespace wordfilt
