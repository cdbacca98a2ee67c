// A dialog made from a template. DoModal disables the owner, shows the dialog
// centred on it and runs a nested message loop until EndDialog.
#pragma once

#include "platform/framework/wnd.h"

class CDataExchange;

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  virtual INT_PTR DoModal();
  void EndDialog(int nResult);

  // Runs DoDataExchange: FALSE fills the controls, TRUE reads them back.
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

  // Binds the controls (UpdateData(FALSE)); TRUE lets the dialog focus the
  // first tab stop.
  virtual BOOL OnInitDialog();
  BOOL PreTranslateMessage(MSG* pMsg) override;

  // The modal loop, shared with anything else that runs one.
  int RunModalLoop();
  void EndModalLoop(int nResult);
  BOOL ContinueModal() const { return m_bContinueModal; }

  UINT m_nIDHelp = 0;

 protected:
  virtual void DoDataExchange(CDataExchange* pDX);
  virtual void OnOK();
  virtual void OnCancel();

  // The owner: the given parent's top-level window, else the main window.
  HWND PreModal();

  UINT m_nIDTemplate = 0;
  CWnd* m_pParentWnd = nullptr;
  int m_nModalResult = -1;

 private:
  BOOL m_bContinueModal = FALSE;

  DECLARE_MESSAGE_MAP()
};

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
