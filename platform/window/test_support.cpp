#include "platform/window/test_support.h"

#include <QApplication>
#include <QMenuBar>

#include "platform/window/application.h"
#include "platform/window/dispatch.h"
#include "platform/window/queue.h"
#include "platform/window/window_table.h"

namespace lorvane::window::testing {

void StartOffscreenApplication() {
  static int argc = 3;
  static char name[] = "lorvane-tests";
  static char option[] = "-platform";
  static char platform[] = "offscreen";
  static char* argv[] = {name, option, platform, nullptr};
  StartApplication(argc, argv);
}

void PumpMessages() {
  for (int idle = 0; idle < 3;) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (detail::DispatchDepth() == 0)
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    MSG msg{};
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ++idle;
      continue;
    }
    idle = 0;
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

QWidget* WidgetOf(HWND window) {
  detail::Window* w = detail::FindQuiet(window);
  return w != nullptr ? w->outer.data() : nullptr;
}

QWidget* ClientWidgetOf(HWND window) {
  detail::Window* w = detail::FindQuiet(window);
  return w != nullptr ? w->client.data() : nullptr;
}

QMenuBar* MenuBarOf(HWND window) {
  detail::Window* w = detail::FindQuiet(window);
  return w != nullptr ? w->menuBar.data() : nullptr;
}

HWND WindowOf(const QWidget* widget) { return detail::WindowOfWidget(widget); }

void DestroyAllWindows() {
  for (HWND handle : detail::AllWindows()) {
    detail::Window* window = detail::FindQuiet(handle);
    if (window != nullptr && detail::IsTopLevel(*window)) DestroyWindow(handle);
  }
  for (HWND handle : detail::AllWindows()) DestroyWindow(handle);
  MSG msg{};
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  if (qApp != nullptr) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace lorvane::window::testing
