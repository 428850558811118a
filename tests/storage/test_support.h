// Helpers shared by the storage tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/storage/compound_file.h"
#include "tests/support/cfb_writer.h"

namespace cfbtest {

using platform::cfb::CompoundFile;
using platform::cfb::EntryId;
using platform::cfb::Status;

inline std::shared_ptr<const CompoundFile> OpenBytes(std::vector<std::uint8_t> bytes,
                                                     Status* status) {
  return CompoundFile::Open(std::make_shared<platform::cfb::VectorSource>(std::move(bytes)),
                            status);
}

// Follows the written FAT from a start sector (for damaging chains).
inline std::vector<std::uint32_t> ChainOf(const Written& w, std::uint32_t start) {
  std::vector<std::uint32_t> ids;
  for (std::uint32_t id = start; id < w.fat.size() && ids.size() <= w.fat.size(); id = w.fat[id])
    ids.push_back(id);
  return ids;
}

// Opens every stream in every storage and reads it whole; returns how many
// streams read cleanly. Only checks that nothing misbehaves.
std::size_t ReadEverything(const CompoundFile& file);

}  // namespace cfbtest
