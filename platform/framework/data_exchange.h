// Data exchange between a dialog's controls and its members; here only the
// binding of a control to its member object.
#pragma once

#include "platform/base/types.h"

class CWnd;

class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
      : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

  // The control's handle; nullptr when the dialog has no such control.
  HWND PrepareCtrl(int nIDC);

  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  HWND m_hWndLastControl = nullptr;
};

// Attaches the dialog's control nIDC to rControl (once), so its messages
// reach rControl's class.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
