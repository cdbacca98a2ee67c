// Blocking calls on the user-interface thread (Sleep, the lease calls): the
// windows keep painting and Qt's loop keeps running, but user input, the
// close box and posted messages wait until the call has returned.
#include "platform/kernel/blocking.h"

#include <qpa/qwindowsysteminterface.h>

#include <QTimer>
#include <QWindow>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/scripted_provider.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/kernel.h"
#include "recorder.h"

namespace {

namespace wt = lorvane::window::testing;

// A click as the desktop gives it: queued as window-system input, which Qt
// takes when its loop next accepts user input (QTest delivers at once).
void ClickLikeTheDesktop(QWidget* widget) {
  QWindow* window = widget->window()->windowHandle();
  const QPointF at = widget->mapTo(widget->window(), widget->rect().center());
  const QPointF global = window->mapToGlobal(at.toPoint());
  using Wsi = QWindowSystemInterface;
  Wsi::handleMouseEvent<Wsi::AsynchronousDelivery>(window, at, global, Qt::LeftButton,
                                                   Qt::LeftButton, QEvent::MouseButtonPress);
  Wsi::handleMouseEvent<Wsi::AsynchronousDelivery>(window, at, global, Qt::NoButton, Qt::LeftButton,
                                                   QEvent::MouseButtonRelease);
}

// Waits (at most five seconds) for a timer of the user-interface thread.
bool TimerRan(const std::atomic<bool>& ran) {
  for (int i = 0; i < 500 && !ran; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return ran;
}

class Blocking : public lorvane::test::WindowTest {
 protected:
  void SetUp() override {
    oldClock = lorvane::kernel::SetClock(nullptr);  // the real one: these tests really wait
    ShowTop();
    button = Control("Button", "Go", 7);
    wt::PumpMessages();
  }
  void TearDown() override {
    WindowTest::TearDown();
    lorvane::kernel::SetClock(oldClock);
  }
  HWND button = nullptr;
  std::shared_ptr<lorvane::kernel::Clock> oldClock;
  QObject timers;  // no timer outlives its test
};

// During a wait the windows paint and timers run; a click, the close box,
// posted messages and WM_QUIT wait for the loop, so the window is not
// closed under the handler that waited.
TEST_F(Blocking, ASleepAndTheWorkOfRunBlockingAndTheLeaseCallsKeepTheLoopButNotInput) {
  bool sleeping = false, paintedWhileSleeping = false;
  std::vector<std::string> log;
  onMessage = [&](HWND window, UINT message, WPARAM wParam, LPARAM, LRESULT*) {
    if (message == WM_PAINT && window == top && sleeping) paintedWhileSleeping = true;
    if (message == WM_COMMAND && LOWORD(wParam) == 7)
      log.push_back(sleeping ? "early click" : "click");
    return false;
  };
  QTimer::singleShot(50, &timers, [&] {
    log.push_back(sleeping ? "timer while sleeping" : "timer");
    ClickLikeTheDesktop(wt::WidgetOf(button));
    wt::ClientWidgetOf(top)->update();
    wt::WidgetOf(top)->close();
    PostMessageA(top, WM_USER + 3, 0, 0);
    PostQuitMessage(4);
  });
  sleeping = true;
  Sleep(300);
  sleeping = false;
  log.push_back("slept");
  EXPECT_TRUE(paintedWhileSleeping);
  EXPECT_TRUE(IsWindow(top));
  std::vector<UINT> loop;
  MSG msg{};
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT) {
    loop.push_back(msg.message);
    DispatchMessageA(&msg);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"timer while sleeping", "slept", "click"}));
  EXPECT_EQ(loop, (std::vector<UINT>{WM_SYSCOMMAND, WM_USER + 3}));
  EXPECT_EQ(msg.wParam, 4u) << "WM_QUIT last";

  // The work runs beside the loop, its exception reaching the caller; the
  // lease calls run that way; off the user-interface thread the work just runs.
  std::atomic<bool> ran{false};
  QTimer::singleShot(0, &timers, [&] { ran = true; });
  EXPECT_THROW(lorvane::kernel::RunBlocking([&] {
                 if (TimerRan(ran)) throw std::runtime_error("after the timer");
               }),
               std::runtime_error);

  auto scripted = std::make_shared<lorvane::iphlp::ScriptedProvider>();
  auto waitForTimer = [&](lorvane::iphlp::ScriptedProvider&, std::uint32_t) -> DWORD {
    return TimerRan(ran) ? NO_ERROR : ERROR_TIMEOUT;
  };
  scripted->OnRelease(waitForTimer);
  scripted->OnRenew(waitForTimer);
  auto old = lorvane::iphlp::SetProvider(scripted);
  IP_ADAPTER_INDEX_MAP map{};
  for (auto call : {&IpReleaseAddress, &IpRenewAddress}) {
    ran = false;
    QTimer::singleShot(0, &timers, [&] { ran = true; });
    EXPECT_EQ(call(&map), static_cast<DWORD>(NO_ERROR));
  }
  lorvane::iphlp::SetProvider(old);

  std::thread::id caller, worker;
  std::thread([&] {
    caller = std::this_thread::get_id();
    lorvane::kernel::RunBlocking([&] { worker = std::this_thread::get_id(); });
  }).join();
  EXPECT_EQ(worker, caller) << "off the user-interface thread, nothing to keep alive";
}

}  // namespace
