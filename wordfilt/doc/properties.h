// The document's summary properties (title, subject, author, keywords) from
// its "\005SummaryInformation" property set stream.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wordfilt/doc/byte_span.h"
#include "wordfilt/doc/document_text.h"

namespace wordfilt {

inline constexpr std::u16string_view kSummaryInformationStream = u"\u0005SummaryInformation";

// Property ids of the summary information set that the filter serves.
enum SummaryProperty : std::uint32_t {
  kPropTitle = 2,
  kPropSubject = 3,
  kPropAuthor = 4,
  kPropKeywords = 5,
};

// The served properties that have a non-blank string value, in id order.
// Strings are decoded with the set's code page; control characters become
// spaces. Anything malformed leaves that property (or the whole set) out.
std::vector<DocumentProperty> ReadSummaryProperties(ByteSpan stream);

}  // namespace wordfilt
