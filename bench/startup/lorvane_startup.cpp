// The program's real start-up (the framework's entry point and CLeaseApp),
// which says when the main window is up and then closes it. The time printed is the
// wall clock at the first idle moment after the window was shown.
#include <cstdio>
#include <ctime>

#include "app/lease_app.h"

namespace {

long long WallNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

class TimedApp : public CLeaseApp {
 public:
  BOOL OnIdle(LONG lCount) override {
    if (!m_reported && m_pMainWnd != nullptr && ::IsWindowVisible(m_pMainWnd->m_hWnd)) {
      m_reported = true;
      std::printf("shown %lld\n", WallNanoseconds());
      std::fflush(stdout);
      m_pMainWnd->PostMessage(WM_CLOSE);
    }
    return CLeaseApp::OnIdle(lCount);
  }

 private:
  bool m_reported = false;
};

TimedApp theApp;

}  // namespace
