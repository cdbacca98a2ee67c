#include "platform/framework/afx_time.h"

#include "platform/kernel/clock.h"

CTime CTime::GetCurrentTime() { return CTime(std::time(nullptr)); }

struct tm* CTime::GetLocalTm(struct tm* ptm) const {
  static struct tm shared;
  struct tm converted {};
  if (!lorvane::kernel::CurrentClock().LocalTime(m_time, converted)) return nullptr;
  struct tm* out = ptm != nullptr ? ptm : &shared;
  *out = converted;
  return out;
}
