#include "platform/framework/afx_state.h"

#include "platform/framework/wnd.h"

namespace lorvane::afx {

ThreadState& State() {
  static ThreadState state;
  return state;
}

}  // namespace lorvane::afx

void lorvane::afx::DoWaitCursor(int nCode) {
  ThreadState& state = State();
  HCURSOR hcurWait = ::LoadCursorA(nullptr, IDC_WAIT);
  if (nCode > 0) {
    HCURSOR previous = ::SetCursor(hcurWait);
    if (state.nWaitCursorCount++ == 0) state.hcurWaitCursorRestore = previous;
  } else if (nCode < 0) {
    if (state.nWaitCursorCount > 0 && --state.nWaitCursorCount == 0)
      ::SetCursor(state.hcurWaitCursorRestore);
  } else if (state.nWaitCursorCount > 0) {
    ::SetCursor(hcurWait);
  }
}
