#include "support/windows_up.h"

#include <gtest/gtest.h>

#include <QTimer>

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
