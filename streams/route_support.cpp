#include "streams/route_support.h"

void WidenPath(const char* narrow, OLECHAR (&wide)[FLT_MAX_PATH]) {
  DWORD i = 0;
  for (; narrow && narrow[i] && i < FLT_MAX_PATH - 1; ++i) {
    wide[i] = static_cast<OLECHAR>(static_cast<unsigned char>(narrow[i]));
  }
  wide[i] = 0;
}
