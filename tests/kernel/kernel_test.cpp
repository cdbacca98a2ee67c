#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/kernel/clock.h"
#include "platform/kernel/kernel.h"

namespace {

TEST(KernelText, WsprintfCutsAtItsFixedBufferAndTerminates) {
  char buffer[2048];
  std::memset(buffer, 'x', sizeof buffer);
  const std::string longText(1500, 'a');
  const int written = wsprintfA(buffer, "%s", longText.c_str());
  EXPECT_EQ(written, 1023);
  EXPECT_EQ(buffer[1023], '\0');
  EXPECT_EQ(buffer[1024], 'x');  // nothing past the 1024 bytes is touched
}

TEST(KernelText, LengthAndConcatenation) {
  char buffer[32] = "DNS ";
  EXPECT_EQ(lstrlenA(lstrcatA(buffer, "12")), 6);
  EXPECT_STREQ(buffer, "DNS 12");
  EXPECT_EQ(lstrlenA(nullptr), 0);
}

TEST(KernelClock, LocalTimeFollowsTheZoneAndRefusesNegativeTimes) {
  setenv("TZ", "UTC-2", 1);  // two hours east of UTC, no daylight saving
  tzset();
  lorvane::kernel::SystemClock clock;
  std::tm out{};
  ASSERT_TRUE(clock.LocalTime(1053158649, out));  // 2003-05-17 08:04:09 UTC
  EXPECT_EQ(out.tm_year + 1900, 2003);
  EXPECT_EQ(out.tm_hour, 10);
  EXPECT_FALSE(clock.LocalTime(-1, out));
}

class CountingClock : public lorvane::kernel::Clock {
 public:
  void Sleep(DWORD milliseconds) override { slept += milliseconds; }
  bool LocalTime(std::int64_t, std::tm&) override { return false; }
  DWORD slept = 0;
};

TEST(KernelClock, SleepGoesThroughTheInstalledClock) {
  auto counting = std::make_shared<CountingClock>();
  lorvane::kernel::SetClock(counting);
  Sleep(500);
  Sleep(500);
  lorvane::kernel::SetClock(nullptr);
  EXPECT_EQ(counting->slept, 1000u);
}

}  // namespace
