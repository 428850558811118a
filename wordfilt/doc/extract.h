// The parser's entry point: the visible text of a Word 2-2003 document,
// divided into chunks, from the streams of its compound file.
#pragma once

#include "wordfilt/doc/document_text.h"
#include "wordfilt/doc/stream_source.h"

namespace wordfilt {

// Reads the document from `source` and fills `out` (cleared first). On any
// status but kOk, `out` is empty. Never throws; allocation failure reports
// kDamaged.
LoadStatus ExtractText(StreamSource& source, DocumentText& out,
                       const ExtractOptions& options = ExtractOptions());

}  // namespace wordfilt
