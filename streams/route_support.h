// What the three loading routes share: document paths widened for the filter
// server. (Their interface pointers are held by platform::ComRef, released on
// every way out of a step.)
#pragma once

#include "host/stream_info.h"
#include "platform/com.h"

// Widens a narrow path byte by byte: each byte becomes the UTF-16 unit of the
// same value, whatever the code page; the server's side undoes exactly that.
// At most FLT_MAX_PATH - 1 bytes are taken, and the result is always terminated.
void WidenPath(const char* narrow, OLECHAR (&wide)[FLT_MAX_PATH]);
