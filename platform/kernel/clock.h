// The clock behind Sleep and local time. Tests install their own through
// SetClock to count sleeps without waiting; nothing else replaces it.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>

#include "platform/base/types.h"

namespace lorvane::kernel {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual void Sleep(DWORD milliseconds) = 0;
  // Local broken-down time of a count of seconds since 1970; false when the
  // time cannot be represented.
  virtual bool LocalTime(std::int64_t seconds, std::tm& out) = 0;
};

// The real clock: nanosleep (through RunBlocking) and localtime_r.
class SystemClock : public Clock {
 public:
  void Sleep(DWORD milliseconds) override;
  bool LocalTime(std::int64_t seconds, std::tm& out) override;
};

Clock& CurrentClock();
// Installs a clock; nullptr puts the system clock back. Returns the old one.
std::shared_ptr<Clock> SetClock(std::shared_ptr<Clock> clock);

}  // namespace lorvane::kernel
