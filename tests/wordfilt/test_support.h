// Shared helpers of the parser's tests.
#pragma once

#include <string>

#include "tests/wordfilt/doc_builder.h"
#include "wordfilt/doc/extract.h"

namespace wordtest {

// Extracts a built document; the status must be kOk unless `status` is given.
inline wordfilt::DocumentText ExtractDoc(const DocBuilder& b,
                                         wordfilt::LoadStatus* status = nullptr,
                                         const wordfilt::ExtractOptions& options = {}) {
  wordfilt::MemoryStreams streams = b.Build();
  wordfilt::DocumentText out;
  const wordfilt::LoadStatus s = wordfilt::ExtractText(streams, out, options);
  if (status) *status = s;
  return out;
}

inline std::u16string TextOf(const DocBuilder& b) { return ExtractDoc(b).text; }

// Chunks must tile the text: back to back, none empty, together all of it.
inline bool ChunksTileText(const wordfilt::DocumentText& t) {
  std::size_t at = 0;
  for (const wordfilt::TextChunk& c : t.chunks) {
    if (c.offset != at || c.length == 0 || c.locale == 0) return false;
    at += c.length;
  }
  return at == t.text.size();
}

}  // namespace wordtest
