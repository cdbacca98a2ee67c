// The state of one user-interface item (here: a menu item) while the command
// routing is asked whether its command is served.
#pragma once

#include "platform/base/types.h"

class CCmdTarget;
class CMenu;
class CWnd;

class CCmdUI {
 public:
  UINT m_nID = 0;
  UINT m_nIndex = 0;
  CMenu* m_pMenu = nullptr;
  CWnd* m_pOther = nullptr;
  UINT m_nIndexMax = 0;
  BOOL m_bEnableChanged = FALSE;
  BOOL m_bContinueRouting = FALSE;

  CCmdUI() = default;
  virtual ~CCmdUI() = default;

  virtual void Enable(BOOL bOn = TRUE);
  void ContinueRouting() { m_bContinueRouting = TRUE; }

  // Asks pTarget's route for an update handler; when there is none and
  // bDisableIfNoHndler, the item is enabled exactly when some target on the
  // route handles the command.
  BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);
};

// Records what an update handler said, without touching any item.
class CTestCmdUI : public CCmdUI {
 public:
  BOOL m_bEnabled = TRUE;
  void Enable(BOOL bOn = TRUE) override {
    m_bEnabled = bOn;
    m_bEnableChanged = TRUE;
  }
};
