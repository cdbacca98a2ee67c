#include "platform/framework/current_app.h"

#include "platform/window/winuser.h"

namespace {
CWinApp* g_pApp = nullptr;
CWinThread* g_pThread = nullptr;
HINSTANCE g_hInstance = nullptr;
}  // namespace

void lorvane::afx::SetCurrentApp(CWinApp* pApp, CWinThread* pThread) {
  g_pApp = pApp;
  g_pThread = pThread;
  g_hInstance = nullptr;
}

CWinThread* lorvane::afx::CurrentThread() { return g_pThread; }

void lorvane::afx::SetCurrentInstance(HINSTANCE hInstance) { g_hInstance = hInstance; }

CWinApp* AfxGetApp() { return g_pApp; }

HINSTANCE AfxGetInstanceHandle() {
  return g_pApp != nullptr && g_hInstance != nullptr ? g_hInstance : ::GetModuleHandleA(nullptr);
}

HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }
