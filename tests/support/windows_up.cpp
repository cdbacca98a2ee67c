#include "support/windows_up.h"

#include <gtest/gtest.h>

#include <QTimer>

#include "platform/window/winuser.h"

namespace {
void PollForWindow(HWND other, std::function<void(HWND active)> action, int triesLeft) {
  QTimer::singleShot(5, [=] {
    HWND active = ::GetActiveWindow();
    if (active != nullptr && active != other && ::IsWindowVisible(active))
      action(active);
    else if (triesLeft > 0)
      PollForWindow(other, action, triesLeft - 1);
    else
      ADD_FAILURE() << "no other window came up";
  });
}
}  // namespace

void WhenAnotherWindowIsUp(HWND other, std::function<void(HWND active)> action) {
  PollForWindow(other, std::move(action), 400);
}

std::string Str(const RECT& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
         std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}
