#include "support/windows_up.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "platform/window/test_support.h"
#include "platform/window/winuser.h"

void BeginWindowTest(const lorvane::window::Resources& resources, SIZE screen,
                     std::vector<lorvane::window::MessageBoxRequest>* boxes) {
  lorvane::window::testing::StartOffscreenApplication();
  lorvane::window::InstallResources(resources);
  lorvane::window::SetScreenSize(screen);
  lorvane::window::SetMessageBoxHook([boxes](const lorvane::window::MessageBoxRequest& request) {
    boxes->push_back(request);
    return IDOK;
  });
}

void EndWindowTest() {
  lorvane::window::testing::DestroyAllWindows();
  // Leave no WM_QUIT or stray message for the next test.
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  lorvane::window::SetMessageBoxHook({});
  lorvane::window::SetScreenSize(std::nullopt);
}

namespace {
// Keys go to the focus widget, which Qt moves into a new window a moment
// after activating it (later still on a loaded machine): the action waits
// for that too, for a while, since a window may have nothing to focus.
bool FocusInside(HWND window) {
  QWidget* widget = lorvane::window::testing::WidgetOf(window);
  QWidget* focus = QApplication::focusWidget();
  return widget != nullptr && focus != nullptr && (focus == widget || widget->isAncestorOf(focus));
}

void PollForWindow(HWND other, std::function<void(HWND active)> action,
                   std::shared_ptr<const bool> stop, int triesLeft) {
  QTimer::singleShot(5, [=] {
    if (stop && *stop) return;
    HWND active = ::GetActiveWindow();
    if (active != nullptr && active != other && ::IsWindowVisible(active) &&
        (FocusInside(active) || triesLeft < 300))
      action(active);
    else if (triesLeft > 0)
      PollForWindow(other, action, stop, triesLeft - 1);
    else
      ADD_FAILURE() << "no other window came up";
  });
}
}  // namespace

void WhenAnotherWindowIsUp(HWND other, std::function<void(HWND active)> action,
                           std::shared_ptr<const bool> stop) {
  PollForWindow(other, std::move(action), std::move(stop), 400);
}

std::string Str(const RECT& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
         std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}
