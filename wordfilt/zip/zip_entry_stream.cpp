#include "wordfilt/zip/zip_entry_stream.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace wordfilt::zip {

struct ZipEntryStream::Inflater {
  z_stream z{};
  bool ready = false;
  Inflater() {
    // Raw deflate: zip entries carry no zlib header.
    ready = inflateInit2(&z, -MAX_WBITS) == Z_OK;
  }
  ~Inflater() {
    if (ready) inflateEnd(&z);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
};

ZipEntryStream::ZipEntryStream() = default;
ZipEntryStream::~ZipEntryStream() = default;

ZipStatus ZipEntryStream::Open(const ZipArchive& archive, const ZipEntry& entry) {
  inflater_.reset();
  archive_ = &archive;
  done_ = true;
  produced_ = 0;
  status_ = archive.Locate(entry, &in_);
  if (status_ != ZipStatus::kOk) return status_;
  inLeft_ = entry.compressedSize;
  stored_ = entry.method == 0;
  const ZipLimits& limits = archive.limits();
  // The inflated size is held to the same limits as the declared size, so
  // that a directory which understates it gains nothing.
  const std::uint64_t perRatio =
      inLeft_ > limits.maxEntrySize / std::max<std::uint64_t>(limits.maxRatio, 1)
          ? limits.maxEntrySize
          : inLeft_ * limits.maxRatio + limits.ratioAllowance;
  limit_ = std::min(limits.maxEntrySize, perRatio);
  if (!stored_) {
    inflater_ = std::make_unique<Inflater>();
    if (!inflater_->ready) return status_ = ZipStatus::kDamaged;
  }
  done_ = false;
  return status_;
}

std::size_t ZipEntryStream::Read(std::uint8_t* buffer, std::size_t n) {
  if (done_ || n == 0) return 0;
  std::size_t got = 0;
  if (stored_) {
    got = static_cast<std::size_t>(std::min<std::uint64_t>(n, inLeft_));
    std::memcpy(buffer, in_, got);
    in_ += got;
    inLeft_ -= got;
    if (inLeft_ == 0) done_ = true;
  } else {
    z_stream& z = inflater_->z;
    constexpr std::uint64_t kMaxChunk = std::numeric_limits<uInt>::max();
    z.next_out = buffer;
    z.avail_out = static_cast<uInt>(std::min<std::uint64_t>(n, kMaxChunk));
    while (z.avail_out != 0) {
      if (z.avail_in == 0 && inLeft_ != 0) {
        const std::uint64_t take = std::min(inLeft_, kMaxChunk);
        z.next_in = const_cast<Bytef*>(in_);
        z.avail_in = static_cast<uInt>(take);
        in_ += take;
        inLeft_ -= take;
      }
      const int rc = inflate(&z, Z_NO_FLUSH);
      if (rc == Z_STREAM_END) {
        done_ = true;
        break;
      }
      if (rc == Z_BUF_ERROR && z.avail_in == 0 && inLeft_ == 0) {
        // The compressed data ends before the deflate stream does.
        status_ = ZipStatus::kDamaged;
        done_ = true;
        break;
      }
      if (rc != Z_OK && rc != Z_BUF_ERROR) {
        status_ = ZipStatus::kDamaged;
        done_ = true;
        break;
      }
    }
    got = static_cast<std::size_t>(z.next_out - buffer);
  }
  produced_ += got;
  if (produced_ > limit_ || !archive_->Spend(got)) {
    status_ = ZipStatus::kTooLarge;
    done_ = true;
    return 0;
  }
  return got;
}

}  // namespace wordfilt::zip
