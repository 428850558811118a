// Feeds arbitrary bytes to the Word parser. Input that starts like a compound
// file goes through the container reader (so whole documents make good seeds);
// anything else is the WordDocument stream itself, with table streams cut from
// the same bytes so that the FIB's offsets land on fuzzed data. Checks that
// the chunks always tile the text. Every input is also read as a summary
// property set, and as an object package whose file is read as a document.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "wordfilt/doc/compound_streams.h"
#include "wordfilt/doc/embedded.h"
#include "wordfilt/doc/extract.h"
#include "wordfilt/doc/memory_streams.h"
#include "wordfilt/doc/properties.h"

namespace {

constexpr std::uint8_t kCompoundSignature[4] = {0xD0, 0xCF, 0x11, 0xE0};

void CheckChunks(const wordfilt::DocumentText& t) {
  std::size_t at = 0;
  for (const wordfilt::TextChunk& c : t.chunks) {
    if (c.offset != at || c.length == 0) __builtin_trap();
    at += c.length;
  }
  if (at != t.text.size()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (const wordfilt::DocumentProperty& p :
       wordfilt::ReadSummaryProperties(wordfilt::ByteSpan(data, size))) {
    if (p.value.empty() || p.value.size() > size) __builtin_trap();
  }
  const wordfilt::ByteSpan packaged =
      wordfilt::PackagedCompoundFile(wordfilt::ByteSpan(data, size));
  if (packaged.size() > size) __builtin_trap();
  if (packaged.size() != 0) {
    wordfilt::DocumentText inner;
    wordfilt::ExtractFromBytes(packaged.data(), packaged.size(), inner);
    CheckChunks(inner);
  }
  wordfilt::DocumentText out;
  if (size >= 4 && std::equal(kCompoundSignature, kCompoundSignature + 4, data)) {
    wordfilt::ExtractFromBytes(data, size, out);
    CheckChunks(out);
    return 0;
  }
  const std::vector<std::uint8_t> bytes(data, data + size);
  wordfilt::MemoryStreams streams;
  streams.Add(u"WordDocument", bytes);
  streams.Add(u"1Table", bytes);
  streams.Add(u"0Table", std::vector<std::uint8_t>(data + size / 2, data + size));
  wordfilt::ExtractText(streams, out);
  CheckChunks(out);
  return 0;
}
