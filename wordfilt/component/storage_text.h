// Reads a Word document's text from a compound-file storage.
#pragma once

#include <string_view>
#include <vector>

#include "platform/com.h"
#include "wordfilt/doc/byte_buffer.h"
#include "wordfilt/doc/document_text.h"

namespace wordfilt {

// Reads a stream the readers ask for, within the size limit for its kind;
// false when missing, unreadable or too large. The one place that decides what
// of a host's storage reaches a reader, in this process or a worker.
bool ReadDocumentStream(IStorage* storage, std::u16string_view name, ByteBuffer& out) noexcept;

// S_OK; FILTER_E_PASSWORD for encrypted documents; FILTER_E_UNKNOWNFORMAT for
// anything that is not a readable Word document.
// The summary properties are left for LoadDocumentProperties: hosts rarely ask.
HRESULT LoadDocumentText(IStorage* storage, DocumentText* text) noexcept;

// Reads the summary properties (title, subject, author, keywords) into
// `out`; a document without them, or with a damaged set, gives fewer or none.
void LoadDocumentProperties(IStorage* storage, std::vector<DocumentProperty>* out) noexcept;

}  // namespace wordfilt
