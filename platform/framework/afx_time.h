// A point in time as seconds since 1970, broken down in local time through
// the platform clock (so tests can fix the zone and the clock).
#pragma once

#include <ctime>

#include "platform/base/types.h"

class CTime {
 public:
  CTime() = default;
  CTime(std::time_t time) : m_time(time) {}  // NOLINT: converts like the original

  static CTime GetCurrentTime();

  std::time_t GetTime() const { return m_time; }

  // The local broken-down time, copied to ptm when given, else into a
  // buffer shared by all calls; nullptr when the time cannot be converted.
  struct tm* GetLocalTm(struct tm* ptm = nullptr) const;

 private:
  std::time_t m_time = 0;
};
