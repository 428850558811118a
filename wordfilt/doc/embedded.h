// Documents embedded in a Word document as objects: a storage of the object
// pool holding a Word document of its own, or an object package whose
// contents are a Word file. Their text follows the outer document's stories.
#pragma once

#include <cstdint>
#include <vector>

#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/document_text.h"
#include "wordfilt/doc/stream_source.h"

namespace wordfilt {

// Appends to `out` the text of each object in `objects` (storage numbers in
// the object pool, in the order the document anchors them; repeats count
// once) that is a Word document, each as a story of its own, with the objects
// embedded in it to options.embeddedDepth levels. Damaged, encrypted and other
// objects are skipped: they never cost `out` what it holds.
void AppendEmbeddedDocuments(StreamSource& source, const std::vector<std::uint32_t>& objects,
                             const ExtractOptions& options, DocumentText& out);

// The file an object package carries (its "\1Ole10Native" stream), when that
// file is a compound file; empty otherwise.
ByteSpan PackagedCompoundFile(ByteSpan native);

}  // namespace wordfilt
