#include "tools/doctext/messages.h"

namespace doctext {

std::string DescribeResult(FLTRESULT code) {
  switch (code) {
    case FLT_OK: return "success";
    case FLT_ERR_FORMAT: return "not a Word document the filter understands";
    case FLT_ERR_MEMORY: return "out of memory";
    case FLT_ERR_ACCESS: return "access denied (or the temporary copy could not be written)";
    case FLT_ERR_INVALID:
      return "request refused (no filter server, no temporary directory, or an empty document)";
    case FLT_ERR_FAILED: return "the filter failed on this document";
    case FLT_ERR_PASSWORD: return "password-protected";
    case static_cast<FLTRESULT>(kHostReadError): return "the file could not be read";
    case static_cast<FLTRESULT>(kHostTooLarge): return "the file is larger than 4 GiB";
    case static_cast<FLTRESULT>(kHostOpenError): return "the file could not be opened";
    case static_cast<FLTRESULT>(kHostDecodeError):
      return "the text could not be decoded from its code page";
    default: return "unknown error";
  }
}

}  // namespace doctext
