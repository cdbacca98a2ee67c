#include "platform/window/application.h"

#include <QApplication>
#include <memory>

#include "platform/kernel/blocking.h"
#include "platform/window/blocking.h"
#include "platform/window/classes.h"
#include "platform/window/dispatch.h"
#include "platform/window/window_table.h"

namespace lorvane::window {
namespace {

std::unique_ptr<QApplication>& App() {
  static std::unique_ptr<QApplication> app;
  return app;
}

}  // namespace

void StartApplication(int& argc, char** argv) {
  detail::RegisterBuiltinClasses();
  // Sleep and the lease calls keep the windows painting while they wait.
  kernel::SetBlockingRunner(&detail::RunKeepingWindowsAlive);
  if (qApp != nullptr) {
    detail::InstallDispatcher();
    detail::InstallAccessibleFactory();
    return;
  }
  App() = std::make_unique<QApplication>(argc, argv);
  // Windows end when the program destroys them, and the program ends with
  // its own message loop: Qt decides neither.
  QApplication::setQuitOnLastWindowClosed(false);
  detail::InstallDispatcher();
  detail::InstallAccessibleFactory();
}

bool ApplicationStarted() { return qApp != nullptr; }

void StopApplication() {
  for (HWND handle : detail::AllWindows()) {
    detail::Window* window = detail::FindQuiet(handle);
    if (window != nullptr && detail::IsTopLevel(*window)) DestroyWindow(handle);
  }
  if (qApp != nullptr) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  kernel::SetBlockingRunner({});
  App().reset();
}

}  // namespace lorvane::window
