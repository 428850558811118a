#include "platform/fpu.h"

#include <gtest/gtest.h>

#if defined(__i386__) || defined(__x86_64__)
TEST(X87, SetControlMapsRuntimeEncoding) {
  const unsigned short saved = platform::X87ControlWord();
  platform::X87LoadControlWord(0x0272);  // 53-bit, some exceptions unmasked, round up
  platform::X87SetControl(0x8001F, 0xF031F);
  // All six exceptions masked, 64-bit precision, round to nearest, projective.
  EXPECT_EQ(platform::X87ControlWord() & 0x1F3F, 0x033F);

  platform::X87SetControl(0x10000 | 0x200, 0x30300);  // 53-bit, round up
  EXPECT_EQ(platform::X87ControlWord() & 0x0F00, 0x0A00);
  platform::X87LoadControlWord(saved);
}

TEST(X87, ReinitAndClearLeaveNoPendingFlags) {
  const unsigned short saved = platform::X87ControlWord();
  platform::X87LoadControlWord(0x027F);
  volatile double zero = 0.0;
  volatile long double r = 1.0L / static_cast<long double>(zero);  // sets ZE (masked)
  (void)r;
  platform::X87Reinit();
  platform::X87ClearExceptions();
  EXPECT_EQ(platform::X87StatusWord() & 0x3F, 0);
  EXPECT_EQ(platform::X87ControlWord() & 0x1F3F, 0x033F);
  platform::X87LoadControlWord(saved);
}
#endif
