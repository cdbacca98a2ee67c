// Starts the program as the entry point does and saves a picture of its main
// window (menu bar and client area; the frame and caption belong to the
// window system) to the PNG file named on the command line.
#include <QPixmap>
#include <QWidget>
#include <cstdio>

#include "app/lease_app.h"
#include "platform/window/test_support.h"

namespace {

class ScreenshotApp : public CLeaseApp {
 public:
  BOOL OnIdle(LONG lCount) override {
    if (!m_saved && m_pMainWnd != nullptr && ::IsWindowVisible(m_pMainWnd->m_hWnd)) {
      m_saved = true;
      QWidget* window = lorvane::window::testing::WidgetOf(m_pMainWnd->m_hWnd);
      const bool ok =
          window != nullptr && window->grab().save(QString::fromLocal8Bit(m_lpCmdLine), "PNG");
      std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "saved" : "could not save", m_lpCmdLine);
      m_exitCode = ok ? 0 : 1;
      m_pMainWnd->PostMessage(WM_CLOSE);
    }
    return CLeaseApp::OnIdle(lCount);
  }
  int ExitInstance() override { return m_exitCode; }

 private:
  bool m_saved = false;
  int m_exitCode = 1;
};

ScreenshotApp theApp;

}  // namespace
