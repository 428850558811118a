// Readable reasons for the plug-in's result codes.
#pragma once

#include <string>

#include "docflt/docflt.h"

namespace doctext {

// Failure codes of doctext's own callbacks, passed back through the plug-in.
constexpr FLT_LONG kHostReadError = 1001;
constexpr FLT_LONG kHostTooLarge = 1002;
// Not passed through the plug-in: the input could not be opened at all.
constexpr FLT_LONG kHostOpenError = 1003;
// Not from the plug-in: its text could not be decoded for JSON output.
constexpr FLT_LONG kHostDecodeError = 1004;

std::string DescribeResult(FLTRESULT code);

}  // namespace doctext
