// A point in time as seconds since 1970, broken down in local time through
// the platform clock (so tests can fix the zone and the clock).
#pragma once

#include <ctime>

#include "platform/base/types.h"

class CTime {
 public:
  CTime() = default;
  CTime(std::time_t time) : m_time(time) {}  // NOLINT: converts like the original

  // The local broken-down time in *ptm, which is returned; nullptr when the
  // time cannot be converted.
  struct tm* GetLocalTm(struct tm* ptm) const;

 private:
  std::time_t m_time = 0;
};
