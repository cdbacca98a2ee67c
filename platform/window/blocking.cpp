// While a blocking call (Sleep, a lease release or renewal) waits on the
// user-interface thread, the windows go on painting and answering the
// desktop, but take no input: the work runs on a thread of its own while
// Qt's loop runs without user input events, which wait, as they would on a
// busy thread, until the handler that made the call has ended. The layer's
// own message queue is not touched, so commands posted by keys and menus
// wait as well.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QThread>
#include <atomic>
#include <exception>
#include <thread>

#include "platform/window/blocking.h"

namespace lorvane::window::detail {
namespace {

int& Waits() {
  static int waits = 0;
  return waits;
}

struct WaitScope {
  WaitScope() { ++Waits(); }
  ~WaitScope() { --Waits(); }
  WaitScope(const WaitScope&) = delete;
  WaitScope& operator=(const WaitScope&) = delete;
};

}  // namespace

bool InBlockingWait() { return Waits() > 0; }

void RunKeepingWindowsAlive(const std::function<void()>& work) {
  QCoreApplication* app = QCoreApplication::instance();
  if (qobject_cast<QApplication*>(app) == nullptr || QThread::currentThread() != app->thread()) {
    work();
    return;
  }
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  std::atomic<bool> done{false};
  std::exception_ptr error;
  {
    WaitScope waiting;
    // A new thread shares the calling thread's network namespace, which the
    // lease calls depend on.
    std::jthread worker([&] {
      try {
        work();
      } catch (...) {
        error = std::current_exception();
      }
      done.store(true);
      dispatcher->wakeUp();
    });
    while (!done.load())
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                      QEventLoop::WaitForMoreEvents);
  }
  // Without a wake-up the glib dispatcher may leave the input it held back
  // until some other event comes.
  dispatcher->wakeUp();
  if (error) std::rethrow_exception(error);
}

}  // namespace lorvane::window::detail
