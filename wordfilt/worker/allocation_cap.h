// The worker's own memory cap (Windows): every allocation through operator
// new counts against it and fails beyond it, as it would at the job object's
// limit. It holds where the job object's memory limit is not enforced.
#pragma once

#include <cstddef>

namespace wordfilt {
namespace worker {

// 0 (the default) leaves allocations uncapped.
void SetAllocationCap(std::size_t bytes);

}  // namespace worker
}  // namespace wordfilt
