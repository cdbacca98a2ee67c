// The framework's per-thread state. There is one user-interface thread, so
// this is one object.
#pragma once

#include <memory>
#include <unordered_map>

#include "platform/window/winuser.h"

class CWnd;

namespace lorvane::afx {

struct ThreadState {
  // The window being created, attached by the creation hook.
  CWnd* pWndInit = nullptr;
  HHOOK hHookOldCbtFilter = nullptr;
  // The message being handled, for CWnd::Default.
  MSG lastSentMsg{};
  std::unordered_map<HWND, CWnd*> permanentMap;
  // Wrappers made for handles the framework did not create; freed when idle.
  std::unordered_map<HWND, std::unique_ptr<CWnd>> temporaryMap;
  // A failed handler is being reported in a message box.
  bool reportingException = false;
  // How many wait cursors are up, and the cursor the first one replaced.
  int nWaitCursorCount = 0;
  HCURSOR hcurWaitCursorRestore = nullptr;
};

ThreadState& State();

// +1 shows the hourglass (counted), -1 takes one count down.
void DoWaitCursor(int nCode);

}  // namespace lorvane::afx

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
void AfxHookWindowCreate(CWnd* pWnd);
// FALSE when the hooked window was never created (the hook did not fire).
BOOL AfxUnhookWindowCreate();
// Only inside a catch block, where the framework calls a window procedure or
// dispatches a message: tells the user that the handler of `msg` failed (one
// message box, not another while it is up) and stderr, and gives the result
// the message gets instead.
LRESULT AfxProcessWndProcException(const MSG& msg) noexcept;
