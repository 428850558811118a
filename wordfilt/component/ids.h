// The identifiers under which the Word filter is known.
#pragma once

#include "platform/com.h"

namespace wordfilt {

// The filter's class: the one every host asks a Word filter server for.
extern const CLSID kFilterClsid;
// The persistent handler registered for ".doc" that names the filter.
extern const CLSID kPersistentHandlerClsid;
extern const char kFilterClsidString[];
extern const char kPersistentHandlerClsidString[];
extern const char kIFilterIidString[];
// The property set of title, subject, author and keywords (value chunks).
extern const GUID kSummaryInformationFormat;

}  // namespace wordfilt
