#include "platform/framework/cmd_ui.h"

#include "platform/framework/cmd_target.h"
#include "platform/framework/menu.h"

void CCmdUI::Enable(BOOL bOn) {
  if (m_pMenu != nullptr) {
    m_pMenu->EnableMenuItem(m_nIndex,
                            MF_BYPOSITION | (bOn ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
  }
  m_bEnableChanged = TRUE;
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) {
  m_bEnableChanged = FALSE;
  const BOOL bResult =
      pTarget->OnCmdMsg(m_nID, static_cast<int>(CN_UPDATE_COMMAND_UI), this, nullptr);
  if (bDisableIfNoHndler && !m_bEnableChanged) {
    AFX_CMDHANDLERINFO info{nullptr, nullptr};
    Enable(pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &info));
  }
  return bResult;
}
