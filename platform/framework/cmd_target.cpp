#include "platform/framework/cmd_target.h"

#include "platform/framework/cmd_ui.h"
#include "platform/framework/afx_state.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
  static const AFX_MSGMAP map = {nullptr, &entries[0]};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP_ENTRY* lpEntry, UINT nMsg, UINT nCode,
                                            UINT nID) {
  for (; lpEntry->pfn != nullptr; ++lpEntry) {
    if (lpEntry->nMessage == nMsg && lpEntry->nCode == nCode && nID >= lpEntry->nID &&
        nID <= lpEntry->nLastID)
      return lpEntry;
  }
  return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  const UINT nMsg = HIWORD(nCode) != 0 ? HIWORD(nCode) : WM_COMMAND;
  const UINT nEntryCode = LOWORD(nCode);

  for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
       map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
    const AFX_MSGMAP_ENTRY* entry = AfxFindMessageEntry(map->lpEntries, nMsg, nEntryCode, nID);
    if (entry == nullptr) continue;
    if (pHandlerInfo != nullptr) {
      pHandlerInfo->pTarget = this;
      pHandlerInfo->pfn = entry->pfn;
      return TRUE;
    }
    if (nMsg == WM_NOTIFY) {
      auto* notify = static_cast<AFX_NOTIFY*>(pExtra);
      entry->pfn(this, 0, reinterpret_cast<LPARAM>(notify->pNMHDR), notify->pResult);
    } else {
      entry->pfn(this, 0, 0, nullptr);
    }
    return TRUE;
  }
  return FALSE;
}

// Defined beside the routing it asks, so that the item does not depend on it.
void CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) {
  if (!bDisableIfNoHndler) return;
  AFX_CMDHANDLERINFO info{nullptr, nullptr};
  Enable(pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &info));
}

CWaitCursor::CWaitCursor() { lorvane::afx::DoWaitCursor(1); }
CWaitCursor::~CWaitCursor() { lorvane::afx::DoWaitCursor(-1); }

void lorvane::afx::DoWaitCursor(int nCode) {
  ThreadState& state = State();
  HCURSOR hcurWait = ::LoadCursorA(nullptr, IDC_WAIT);
  if (nCode > 0) {
    HCURSOR previous = ::SetCursor(hcurWait);
    if (state.nWaitCursorCount++ == 0) state.hcurWaitCursorRestore = previous;
  } else if (state.nWaitCursorCount > 0 && --state.nWaitCursorCount == 0) {
    ::SetCursor(state.hcurWaitCursorRestore);
  }
}
