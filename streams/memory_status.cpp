#include "streams/memory_status.h"

#include "platform/memory.h"

namespace {
AvailableMemoryMeasure g_measure = nullptr;
}

void SetAvailableMemoryMeasure(AvailableMemoryMeasure measure) { g_measure = measure; }

DWORD GetAvailablePhysicalMemory() {
  if (g_measure) return g_measure();
  MEMORYSTATUS status{};
  status.dwLength = 32;
  GlobalMemoryStatus(&status);
  return SaturateMemory(status.dwAvailPhys);
}
