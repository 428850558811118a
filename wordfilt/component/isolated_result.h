// The Load result for a document a worker parsed, or failed.
#pragma once

#include <cstdint>

#include "platform/com.h"
#include "wordfilt/isolation/worker_pool.h"

namespace wordfilt {

// Word 2 files and the other formats are read whole: none is this large.
constexpr std::uint64_t kMaxPlainFile = std::uint64_t(64) << 20;
constexpr unsigned char kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

HRESULT IsolatedResult(isolation::Failure failure, isolation::Outcome outcome);

// Hands the open file to a worker and gives its Load result; `doc` is left
// empty on failure.
HRESULT RunFileJob(isolation::WorkerPool& pool, isolation::FileRef file, std::uint64_t size,
                   DocumentText* doc);

}  // namespace wordfilt
