// The program's real start-up (the framework's entry point and CLeaseApp),
// which says when the main window is up and how many rows its lists show,
// then closes it. The time printed is the wall clock at the first idle
// moment after the window was shown.
//
// LORVANE_STARTUP_HIVE names the hive it would register adapters in, should
// it read the registry (measure.py makes one in a temporary folder), so that
// a run as root never writes the system's.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/lease_app.h"
#include "platform/registry/registry.h"
#include "res/resource.h"

namespace {

long long WallNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

LRESULT Rows(HWND view, int id) {
  return ::SendMessageA(::GetDlgItem(view, id), LVM_GETITEMCOUNT, 0, 0);
}

class TimedApp : public CLeaseApp {
 public:
  TimedApp() {
    // Before main, and so before any registry call.
    if (const char* hive = std::getenv("LORVANE_STARTUP_HIVE"))
      lorvane::registry::SetHivePath(hive);
  }

  BOOL OnIdle(LONG lCount) override {
    if (!m_reported && m_pMainWnd != nullptr && ::IsWindowVisible(m_pMainWnd->m_hWnd)) {
      m_reported = true;
      std::printf("shown %lld\n", WallNanoseconds());
      HWND view = ::GetDlgItem(m_pMainWnd->m_hWnd, AFX_IDW_PANE_FIRST);
      std::printf("rows %ld %ld\n", static_cast<long>(Rows(view, IDC_ADAPTER_LIST)),
                  static_cast<long>(Rows(view, IDC_INFO_LIST)));
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
