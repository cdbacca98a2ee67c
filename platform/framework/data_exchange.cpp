#include "platform/framework/data_exchange.h"

#include "platform/framework/wnd.h"

HWND CDataExchange::PrepareCtrl(int nIDC) {
  m_hWndLastControl = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
  return m_hWndLastControl;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.m_hWnd != nullptr) return;
  HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
  if (hWndCtrl != nullptr) rControl.SubclassWindow(hWndCtrl);
}
