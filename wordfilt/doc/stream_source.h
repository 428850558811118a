// How the parser gets at the streams of a compound file. The component
// implements it over the storage it was handed; tests and tools over memory.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "wordfilt/doc/byte_buffer.h"

namespace wordfilt {

// Stream names the parser asks for.
inline constexpr std::u16string_view kWordDocumentStream = u"WordDocument";
inline constexpr std::u16string_view kTable0Stream = u"0Table";
inline constexpr std::u16string_view kTable1Stream = u"1Table";

struct StreamSource {
  virtual ~StreamSource() = default;
  // Fills `out` with the whole stream called `name` (matched without regard to
  // case) and returns true, or returns false when there is no such stream or it
  // cannot be read. Must not throw.
  virtual bool Read(std::u16string_view name, ByteBuffer& out) = 0;
};

}  // namespace wordfilt
