#include "platform/kernel/kernel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The program formats names read from the hive and the system into fixed
// buffers: the cut is what keeps a long one from running past them.
TEST(KernelText, WsprintfCutsAtItsFixedBufferAndNullHasNoLength) {
  char buffer[2048];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(wsprintfA(buffer, "%s", std::string(1500, 'a').c_str()), 1023);
  EXPECT_EQ(buffer[1023], '\0');
  EXPECT_EQ(buffer[1024], 'x');  // nothing past the 1024 bytes is touched
  EXPECT_EQ(lstrlenA(nullptr), 0);
}

}  // namespace
