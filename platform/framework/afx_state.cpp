#include "platform/framework/afx_state.h"

#include "platform/framework/wnd.h"

namespace lorvane::afx {

ThreadState& State() {
  static ThreadState state;
  return state;
}

}  // namespace lorvane::afx
