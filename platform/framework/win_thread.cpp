#include "platform/framework/win_thread.h"

#include "platform/framework/afx_state.h"
#include "platform/framework/current_app.h"
#include "platform/framework/wnd.h"

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)

CWinThread* AfxGetThread() { return lorvane::afx::CurrentThread(); }

BOOL CWinThread::InitInstance() { return FALSE; }

int CWinThread::ExitInstance() { return static_cast<int>(m_msgCur.wParam); }

CWnd* CWinThread::GetMainWnd() { return m_pMainWnd; }

BOOL CWinThread::OnIdle(LONG) {
  CWnd::DeleteTempMap();
  return FALSE;
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg) {
  CWnd* pMainWnd = GetMainWnd();
  if (CWnd::WalkPreTranslateTree(AfxSafeHwnd(pMainWnd), pMsg)) return TRUE;
  // A message for a window outside the main window (a modeless window) still
  // gets the main window's accelerators.
  if (pMainWnd != nullptr && pMsg->hwnd != nullptr) {
    CWnd* pWnd = CWnd::FromHandle(pMsg->hwnd);
    if (pWnd->GetTopLevelParent() != pMainWnd) return pMainWnd->PreTranslateMessage(pMsg);
  }
  return FALSE;
}

BOOL CWinThread::PumpMessage() {
  if (!::GetMessageA(&m_msgCur, nullptr, 0, 0)) return FALSE;
  // The framework's windows stop their handlers' exceptions themselves; this
  // catches what a PreTranslateMessage or another window procedure throws,
  // in the main loop and in every modal loop alike.
  const MSG msg = m_msgCur;
  try {
    if (!PreTranslateMessage(&m_msgCur)) {
      ::TranslateMessage(&m_msgCur);
      ::DispatchMessageA(&m_msgCur);
    }
  } catch (...) {
    AfxProcessWndProcException(msg);
  }
  return TRUE;
}

int CWinThread::Run() {
  LONG lIdleCount = 0;
  for (;;) {
    MSG peek{};
    while (!::PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle(lIdleCount++)) break;
    }
    if (!PumpMessage()) return ExitInstance();
    lIdleCount = 0;
  }
}
