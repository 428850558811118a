// Test builds only: documents that make the worker misbehave on purpose, so
// that tests can show what the module does about it. A document (or stream)
// beginning with "WORDFILT-FAULT:" and a mode name triggers the mode.
#pragma once

#include <cstddef>
#include <cstdint>

#include "wordfilt/doc/document_text.h"
#include "wordfilt/isolation/protocol.h"

namespace wordfilt {
namespace worker {

// The raw channel a misbehaving worker writes to: a descriptor, on Windows the
// pipe's HANDLE.
#ifdef _WIN32
using RawChannel = void*;
#else
using RawChannel = int;
#endif

// Crashes, spins, exhausts memory, exits, or writes garbage to the channel, as
// the marker says; returns true with *outcome and *doc set when the mode
// produces a result of its own instead of the parser's.
bool Misbehave(const std::uint8_t* data, std::size_t size, RawChannel channel,
               isolation::Outcome* outcome, DocumentText* doc);

}  // namespace worker
}  // namespace wordfilt
