// Pulls an entry's inflated bytes piece by piece, so that a large part is
// parsed while it is inflated and never held whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "wordfilt/zip/zip_archive.h"

namespace wordfilt::zip {

class ZipEntryStream {
 public:
  ZipEntryStream();
  ~ZipEntryStream();
  ZipEntryStream(const ZipEntryStream&) = delete;
  ZipEntryStream& operator=(const ZipEntryStream&) = delete;

  ZipStatus Open(const ZipArchive& archive, const ZipEntry& entry);

  // Up to `n` inflated bytes into `buffer`; 0 at the end of the entry or on
  // an error (then status() tells which).
  std::size_t Read(std::uint8_t* buffer, std::size_t n);

  ZipStatus status() const { return status_; }

 private:
  struct Inflater;

  const ZipArchive* archive_ = nullptr;
  const std::uint8_t* in_ = nullptr;
  std::uint64_t inLeft_ = 0;
  std::uint64_t produced_ = 0;
  std::uint64_t limit_ = 0;
  bool stored_ = false;
  bool done_ = true;
  ZipStatus status_ = ZipStatus::kOk;
  std::unique_ptr<Inflater> inflater_;
};

}  // namespace wordfilt::zip
