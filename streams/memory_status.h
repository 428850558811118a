// The machine's available physical memory, as the manager's storage-route test
// needs it.
#pragma once

#include "platform/win_types.h"

// The available physical memory in bytes, brought into 32 bits: a measure of
// 4 GiB or more is 0xFFFFFFFF.
DWORD GetAvailablePhysicalMemory();

// Puts another measure in place of the machine's (tests steer the threshold
// with it); null puts the machine's back.
using AvailableMemoryMeasure = DWORD (*)();
void SetAvailableMemoryMeasure(AvailableMemoryMeasure measure);

inline DWORD SaturateMemory(unsigned long long bytes) {
  return bytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(bytes);
}
