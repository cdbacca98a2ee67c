#include "platform/framework/afx_time.h"

#include "platform/kernel/clock.h"

struct tm* CTime::GetLocalTm(struct tm* ptm) const {
  struct tm converted {};
  if (!lorvane::kernel::CurrentClock().LocalTime(m_time, converted)) return nullptr;
  *ptm = converted;
  return ptm;
}
