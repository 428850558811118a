#include <float.h>

#include "platform/fpu.h"
#include "streams/stream.h"

void ResetFloatingPoint() {
#if defined(_WIN32) && defined(__i386__)
  _fpreset();
  _clearfp();
  _control87(0x8001F, 0xF031F);
#else
  // The runtimes of 64-bit targets apply these calls to the SSE unit as well;
  // the reset is meant for the x87 unit alone, so do it by hand there.
  platform::X87Reinit();
  platform::X87ClearExceptions();
  platform::X87SetControl(0x8001F, 0xF031F);
#endif
}
