// Ends the worker when one document outlives any deadline its module could
// have set, as when the module died while the document spins. A timer ticks
// every period; a document still in hand at two ticks running ends the
// process, between one and two periods after it began. Documents mark their
// start and end in memory only: no system call per document.
#pragma once

namespace wordfilt {
namespace worker {

bool StartWatchdog(unsigned periodSeconds);
void DocumentStarted();
void DocumentEnded();

}  // namespace worker
}  // namespace wordfilt
