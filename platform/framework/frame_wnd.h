// A top-level frame: a window with its menu, title, icon and accelerators
// taken from one resource id, whose first pane fills its client area, and
// which routes commands to itself and then to the application.
#pragma once

#include <string>

#include "platform/framework/afx_ids.h"
#include "platform/framework/wnd.h"

// The frame puts its title together itself (no document here, so the title
// is the resource string alone).
#define FWS_ADDTOTITLE 0x00008000L
#define FWS_PREFIXTITLE 0x00040000L

class CFrameWnd : public CWnd {
  DECLARE_DYNAMIC(CFrameWnd)

 public:
  static const RECT rectDefault;

  CFrameWnd() = default;
  ~CFrameWnd() override;

  BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle = WS_OVERLAPPEDWINDOW,
              const RECT& rect = rectDefault, CWnd* pParentWnd = nullptr,
              LPCSTR lpszMenuName = nullptr, DWORD dwExStyle = 0,
              CCreateContext* pContext = nullptr);
  // Creates the frame with the menu, title string, icon and accelerators of
  // nIDResource. On failure the frame object has been deleted.
  virtual BOOL LoadFrame(UINT nIDResource,
                         DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                         CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);
  BOOL LoadAccelTable(LPCSTR lpszResourceName);
  // Sizes the first pane (AFX_IDW_PANE_FIRST) to the client area.
  virtual void RecalcLayout(BOOL bNotify = TRUE);
  LPCSTR GetTitle() const { return m_strTitle.c_str(); }

  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  BOOL PreTranslateMessage(MSG* pMsg) override;

  // Menu items whose command no target on the route handles are disabled.
  BOOL m_bAutoMenuEnable = TRUE;
  HACCEL m_hAccelTable = nullptr;
  HMENU m_hMenuDefault = nullptr;

 protected:
  void PostNcDestroy() override;  // the frame deletes itself

  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg void OnSetFocus(CWnd* pOldWnd);
  afx_msg void OnClose();
  afx_msg void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);

 private:
  LPCSTR GetIconWndClass(DWORD dwDefaultStyle, UINT nIDResource);

  std::string m_strTitle;
  BOOL m_bInRecalcLayout = FALSE;

  DECLARE_MESSAGE_MAP()
};
