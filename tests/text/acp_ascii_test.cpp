// Plain ASCII in the ANSI code page is decoded without asking the system which
// code page that is: the answers must be those of the code page itself.
#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"

namespace {

TEST(AnsiAscii, DecodesAsTheSystemCodePageDoes) {
  std::string all;
  for (int c = 1; c < 0x80; ++c) all += static_cast<char>(c);
  for (UINT page : {UINT(CP_ACP), UINT(CP_THREAD_ACP)}) {
    WCHAR fast[200] = {}, slow[200] = {};
    const int n = MultiByteToWideChar(page, 0, all.c_str(), -1, fast, 200);
    ASSERT_EQ(n, MultiByteToWideChar(GetACP(), 0, all.c_str(), -1, slow, 200));
    EXPECT_EQ(n, 128);  // the NUL counts
    for (int i = 0; i < n; ++i) EXPECT_EQ(fast[i], slow[i]) << i;
    // Counting, a short buffer and a non-ASCII byte behave as for the code page.
    EXPECT_EQ(MultiByteToWideChar(page, 0, "abc", 3, nullptr, 0), 3);
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(page, 0, "abc", 3, fast, 2), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(MultiByteToWideChar(page, 0, "a\xC3\xA9", 3, fast, 200),
              MultiByteToWideChar(GetACP(), 0, "a\xC3\xA9", 3, slow, 200));
  }
}

}  // namespace
