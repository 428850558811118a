// The messages between the server module and its worker program, and the
// checked decoding of the worker's reply. A reply is untrusted input: its
// decoder refuses anything malformed or larger than the limits below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wordfilt/doc/document_text.h"

namespace wordfilt {
namespace isolation {

// Every message is an 8-byte header (type, payload length, host byte order:
// both ends are the same build on the same machine) and its payload.
enum class MessageType : std::uint32_t {
  // module -> worker
  kParseFile = 0x46494C31,     // payload: file size (u64); the open file travels beside it
  kParseStorage = 0x53544731,  // payload: none; the worker asks for the streams it reads
  kStreamData = 0x44415431,    // payload: found (u32), then the stream's bytes
  // worker -> module
  kStreamRequest = 0x52455131,  // payload: the stream's name, UTF-16 units
  kResult = 0x52534C31,         // payload: an encoded document (EncodeResult)
  kResultShared = 0x52534D31,   // payload: none; the reply lies in the shared region
  // payload: sandboxed (u32), then (POSIX) replies through the shared region
  // (u32); sent once, after start-up
  kReady = 0x52445931,
};

constexpr std::size_t kHeaderBytes = 8;
// Stream names are short; a longer request is not one the parser makes.
constexpr std::size_t kMaxStreamNameUnits = 256;
// A reply larger than this is refused: no document's text comes near it.
constexpr std::size_t kMaxResultBytes = std::size_t(512) << 20;
constexpr std::size_t kMaxProperties = 256;
constexpr std::size_t kMaxPropertyUnits = std::size_t(1) << 20;

// What the worker reports besides the parser's own status.
enum class Outcome : std::uint32_t {
  kOk = 0,
  kNotWord = 1,
  kEncrypted = 2,
  kDamaged = 3,
  kOutOfMemory = 4,  // the worker ran into its memory limit
  kUnreadable = 5,   // the file handed over could not be read
};

Outcome OutcomeOf(LoadStatus status);

// Encodes a parse result; `doc` is left empty unless outcome is kOk.
std::vector<std::uint8_t> EncodeResult(Outcome outcome, const DocumentText& doc);

// The same encoding in three parts, the text left where it lies in `doc`
// (which must outlive the parts): a long text is sent without a copy.
struct ReplyParts {
  std::vector<std::uint8_t> head;
  const char16_t* text = nullptr;
  std::size_t textBytes = 0;
  std::vector<std::uint8_t> tail;
  std::size_t Bytes() const { return head.size() + textBytes + tail.size(); }
  // Writes the parts one after another to `out`, which holds Bytes().
  void CopyTo(std::uint8_t* out) const;
};
// With the worker's fallback to kOutOfMemory, as EncodeReply below.
ReplyParts EncodeReplyParts(Outcome outcome, const DocumentText& doc);
// The same in the worker, where encoding a large text may itself run out of
// memory: then the reply says so instead.
std::vector<std::uint8_t> EncodeReply(Outcome outcome, const DocumentText& doc);

// Decodes and checks a reply. False for anything malformed: sizes that do not
// add up, chunks outside the text, unknown break types or outcomes, counts over
// the limits. `doc` is filled only on success. Every field is read once, so
// bytes that change under the decoder (memory the worker shares) cannot get a
// size past its check.
// With `textInPlace`, an aligned text is not copied: *textInPlace points at
// it in `data` (which must then outlive the document) and doc->text stays
// empty; otherwise *textInPlace is left empty and the text is copied.
bool DecodeResult(const std::uint8_t* data, std::size_t size, Outcome* outcome, DocumentText* doc,
                  std::u16string_view* textInPlace = nullptr);

}  // namespace isolation
}  // namespace wordfilt
