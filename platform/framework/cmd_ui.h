// The state of one user-interface item (here: a menu item) while the command
// routing is asked whether its command is served.
#pragma once

#include "platform/base/types.h"

class CCmdTarget;
class CMenu;

class CCmdUI {
 public:
  UINT m_nID = 0;
  UINT m_nIndex = 0;
  CMenu* m_pMenu = nullptr;
  UINT m_nIndexMax = 0;

  void Enable(BOOL bOn = TRUE);
  // With bDisableIfNoHndler, the item is enabled exactly when some target on
  // pTarget's route handles the command.
  void DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);
};
