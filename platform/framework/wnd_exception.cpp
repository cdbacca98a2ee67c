// What becomes of an exception that a program's handler throws: the
// framework stops it where it calls the window procedure or dispatches a
// message, so that it never reaches the window layer, tells the user, and
// goes on with the next message.
#include <cstdio>
#include <exception>

#include "platform/framework/afx_state.h"
#include "platform/framework/win_app.h"

using lorvane::afx::State;

namespace {

void Report(const char* what, const MSG& msg) {
  std::fprintf(stderr, "lorvane: the handler of message 0x%04X failed and was abandoned: %s\n",
               msg.message, what);
  auto& state = State();
  // A handler that the box's own loop runs may fail as well (a paint, say);
  // one box at a time, or a failing handler would stack boxes without end.
  if (state.reportingException) return;
  state.reportingException = true;
  char text[512];
  std::snprintf(text, sizeof text, "An operation failed and was abandoned: %s", what);
  try {
    AfxMessageBox(text, MB_OK | MB_ICONSTOP);
  } catch (...) {
    std::fprintf(stderr, "lorvane: the failure could not be shown\n");
  }
  state.reportingException = false;
}

}  // namespace

LRESULT AfxProcessWndProcException(const MSG& msg) noexcept {
  try {
    throw;
  } catch (const std::exception& e) {
    Report(e.what(), msg);
  } catch (...) {
    Report("unknown error", msg);
  }
  // A window whose creation was abandoned half-way is not made at all.
  return msg.message == WM_CREATE ? -1 : 0;
}
