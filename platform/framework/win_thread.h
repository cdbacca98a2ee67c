// The user-interface thread: its main window and its message loop.
#pragma once

#include "platform/framework/cmd_target.h"
#include "platform/window/winuser.h"

class CWnd;

class CWinThread : public CCmdTarget {
  DECLARE_DYNAMIC(CWinThread)

 public:
  CWnd* m_pMainWnd = nullptr;
  MSG m_msgCur{};

  CWinThread() = default;

  virtual BOOL InitInstance();
  // Runs the message loop until WM_QUIT; returns ExitInstance's code.
  virtual int Run();
  virtual int ExitInstance();
  // Gets one message and dispatches it unless PreTranslateMessage took it;
  // FALSE on WM_QUIT. An exception out of either is reported, and the
  // message abandoned.
  virtual BOOL PumpMessage();
  // Offers a message to the windows from its target up to the main window
  // (accelerators, dialog keys) before it is dispatched.
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  // Work done when the queue is empty; TRUE asks for more idle time.
  virtual BOOL OnIdle(LONG lCount);
  virtual CWnd* GetMainWnd();
};

CWinThread* AfxGetThread();
