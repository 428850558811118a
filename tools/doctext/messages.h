// Readable reasons for the plug-in's result codes.
#pragma once

#include <string>

#include "host/stream_info.h"

namespace doctext {

// Failure codes of doctext's own callbacks, passed back through the plug-in.
constexpr LONG kHostReadError = 1001;
constexpr LONG kHostTooLarge = 1002;

std::string DescribeResult(FLTRESULT code);

}  // namespace doctext
