// Builds small but valid compound files (version 3, 512-byte sectors) for the
// routes' tests and benchmark: a root storage holding named streams.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace routes {

struct StreamSpec {
  std::u16string name;
  std::string bytes;  // at least 4,096 bytes: no mini stream is written
};

// The whole file. Streams go in regular sectors; the FAT grows a DIFAT chain
// when it needs more than the header's 109 sectors.
std::string BuildCompoundFile(const std::vector<StreamSpec>& streams);

// Deterministic filler bytes (a simple generator seeded by `seed`).
std::string FillerBytes(std::size_t n, std::uint32_t seed);

// A document of about `bytes` bytes: "WordDocument" and "1Table" streams with
// filler, split three to one.
std::vector<StreamSpec> DocumentStreams(std::size_t bytes, std::uint32_t seed);

// The streams' names, and their bytes one after the other, in the given order.
std::vector<std::u16string> NamesOf(const std::vector<StreamSpec>& streams);
std::string Joined(const std::vector<StreamSpec>& streams);

}  // namespace routes
