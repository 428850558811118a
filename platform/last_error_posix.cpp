#ifndef _WIN32
#include "platform/errors.h"

namespace {
// Per thread, as on Windows.
thread_local DWORD last_error = 0;
}  // namespace

DWORD GetLastError() { return last_error; }
void SetLastError(DWORD error) { last_error = error; }
#endif  // _WIN32
