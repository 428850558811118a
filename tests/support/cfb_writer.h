// A small compound-file writer for the tests: builds version-3 and version-4
// files with nested storages, mini and regular streams, and optionally a
// scattered sector order, unordered trees or a padded FAT (to need a DIFAT).
// It records where everything went so that tests can damage files precisely.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace cfbtest {

struct Node {
  std::u16string name;
  bool storage = false;
  std::vector<std::uint8_t> data;
  std::vector<Node> children;
  std::array<std::uint8_t, 16> clsid{};
};
Node Stream(std::u16string name, std::vector<std::uint8_t> data);
Node Storage(std::u16string name, std::vector<Node> children);

// Bytes that differ with position and seed, so that misplaced sectors show.
std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed);

struct Options {
  unsigned major = 3;
  bool scatter = false;        // hand out sector ids in a scrambled order
  bool unorderedTree = false;  // siblings chained in the given order, not sorted
  std::uint32_t extraFatSectors = 0;
};

struct Written {
  std::vector<std::uint8_t> bytes;
  std::uint32_t sectorSize = 0;
  std::vector<std::uint32_t> fatSectors, difatSectors, dirSectors, miniFatSectors;
  std::vector<std::uint32_t> fat;  // as written
  // Per directory entry (0 is the root): the node's name, start and size.
  struct Entry {
    std::u16string name;
    std::uint32_t start;
    std::uint64_t size;
    bool mini;
  };
  std::vector<Entry> entries;

  std::size_t sectorOffset(std::uint32_t id) const;
  std::size_t dirEntryOffset(std::uint32_t index) const;
  // Changes one FAT link in the bytes.
  void setFat(std::uint32_t id, std::uint32_t next);
  void put32(std::size_t offset, std::uint32_t v);
  std::uint32_t entryIndex(const std::u16string& name) const;
};

Written Write(const Node& root, const Options& options = {});

}  // namespace cfbtest
