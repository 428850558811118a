// Recognition of the text formats: web pages, web archives and plain text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace wordfilt {

// Up to `limit` characters from the start of the data as ASCII, for looking
// at markup and headers: a byte-order mark skipped, UTF-16 read unit by unit,
// other characters as '?'.
std::string SniffHead(const std::uint8_t* data, std::size_t size, std::size_t limit);

// The first markup is an HTML doctype or an HTML element (after marks,
// white space, comments and an XML declaration).
bool LooksLikeHtml(const std::string& head);

// MIME headers that declare a multipart message holding an HTML part, or a
// single HTML body.
bool LooksLikeMhtml(const std::string& head);

// Signatures of binary formats that must never be read as text (PDF,
// images, archives, WordPerfect).
bool HasBinarySignature(const std::uint8_t* data, std::size_t size);

// Text: a byte-order mark, or no NUL byte and few control characters in the
// first 64 KiB.
bool LooksLikePlainText(const std::uint8_t* data, std::size_t size);

}  // namespace wordfilt
