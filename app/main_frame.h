// The main window: menu, title and icon from IDR_MAIN, and the adapter view
// as its only pane, which gets the focus and every command first.
#pragma once

#include <afxwin.h>

#include "view/adapter_view.h"

class CMainFrame : public CFrameWnd {
  DECLARE_DYNAMIC(CMainFrame)

 public:
  CMainFrame();
  ~CMainFrame() override;

  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;

  CAdapterView m_wndView;

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnSetFocus(CWnd* pOldWnd);

  DECLARE_MESSAGE_MAP()
};
