// Reading the committed code-page vectors (tests/data/codepages, written by
// vectorgen/make_codepage_vectors.cpp from the system's own answers).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vectors {

// The file's lines without comments and blank lines; empty when the file is missing.
std::vector<std::string> ReadLines(const std::string& name);

// "key count[=] value" runs expanded, per "[section]": key -> value, both as in the file
// (hex strings or tokens).
using Section = std::map<std::string, std::string>;
std::map<std::string, Section> ReadRuns(const std::string& name);

// The same one entry at a time, for files too large to hold expanded.
using RunVisitor = std::function<void(const std::string& section, const std::string& key,
                                      const std::string& value)>;
void VisitRuns(const std::string& name, const RunVisitor& visit);

// hex + n, read as a big-endian number of the same width.
std::string AddToHex(const std::string& hex, std::uint64_t n);

std::vector<std::uint8_t> HexBytes(const std::string& hex);  // "-" is empty
std::vector<std::uint16_t> HexUnits(const std::string& hex);
std::string ToHex(const std::uint8_t* p, std::size_t n);
std::string ToHex(const std::uint16_t* p, std::size_t n);

std::vector<std::string> Split(const std::string& line);

}  // namespace vectors
