#include "platform/kernel/clock.h"

#include <cerrno>
#include <limits>
#include <mutex>

#include "platform/kernel/blocking.h"

namespace lorvane::kernel {

void SystemClock::Sleep(DWORD milliseconds) {
  auto sleep = [milliseconds] {
    timespec wait{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
  };
  // Sleep(0) only gives up the processor.
  if (milliseconds == 0)
    sleep();
  else
    RunBlocking(sleep);
}

bool SystemClock::LocalTime(std::int64_t seconds, std::tm& out) {
  if (seconds < 0 || seconds > std::numeric_limits<time_t>::max()) return false;
  const time_t t = static_cast<time_t>(seconds);
  return localtime_r(&t, &out) != nullptr;
}

namespace {
std::mutex g_clockLock;
std::shared_ptr<Clock> g_clock;

std::shared_ptr<Clock> SystemClockInstance() {
  static auto instance = std::make_shared<SystemClock>();
  return instance;
}
}  // namespace

Clock& CurrentClock() {
  std::lock_guard<std::mutex> hold(g_clockLock);
  if (!g_clock) g_clock = SystemClockInstance();
  return *g_clock;
}

std::shared_ptr<Clock> SetClock(std::shared_ptr<Clock> clock) {
  std::lock_guard<std::mutex> hold(g_clockLock);
  auto old = g_clock ? g_clock : SystemClockInstance();
  g_clock = clock ? std::move(clock) : SystemClockInstance();
  return old;
}

}  // namespace lorvane::kernel
