// Recognises Word 2003 XML: an XML document whose root element is
// wordDocument in Word 2003's namespace, in any of the encodings the XML
// reader reads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wordfilt {

bool IsWordXml(const std::uint8_t* data, std::size_t size);

}  // namespace wordfilt
