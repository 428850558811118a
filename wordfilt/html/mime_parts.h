// MIME entities as a web archive (or a saved mail) holds them: headers,
// multipart bodies and the transfer encodings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wordfilt {

struct MimePart {
  std::string type;       // "text/html", lower case; "text/plain" when absent
  std::string charset;    // as written, without quotes
  std::string boundary;   // multipart only
  std::string encoding;   // Content-Transfer-Encoding, lower case
  std::string_view body;  // still transfer-encoded
};

// Reads the headers at the start of `entity` (unfolding continued lines)
// and points `body` at what follows the blank line after them.
MimePart ParseMimeEntity(std::string_view entity);

// The first leaf part of type `type`, searching nested multiparts in order
// (to a bounded depth). False when there is none.
bool FindMimePart(std::string_view entity, std::string_view type, MimePart* found);

// The body with its transfer encoding (quoted-printable, base64) undone.
std::string DecodeMimeBody(const MimePart& part);

std::string DecodeQuotedPrintable(std::string_view text);
std::string DecodeBase64(std::string_view text);

}  // namespace wordfilt
