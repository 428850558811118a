// Reads a Word document's text from a compound-file storage.
#pragma once

#include "platform/com.h"
#include "wordfilt/doc/document_text.h"

namespace wordfilt {

// S_OK; FILTER_E_PASSWORD for encrypted documents; FILTER_E_UNKNOWNFORMAT for
// anything that is not a readable Word document.
HRESULT LoadDocumentText(IStorage* storage, DocumentText* text) noexcept;

}  // namespace wordfilt
