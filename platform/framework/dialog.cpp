#include "platform/framework/dialog.h"

#include "platform/framework/afx_state.h"
#include "platform/framework/data_exchange.h"
#include "platform/framework/win_app.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return FALSE;
  CDialog* pDlg = DYNAMIC_DOWNCAST(CDialog, CWnd::FromHandlePermanent(hWnd));
  return pDlg != nullptr ? pDlg->OnInitDialog() : TRUE;
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDHelp(nIDTemplate), m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
  if (m_hWnd != nullptr) DestroyWindow();
}

HWND CDialog::PreModal() {
  CWnd* pWnd = m_pParentWnd != nullptr ? m_pParentWnd : AfxGetMainWnd();
  if (pWnd == nullptr || pWnd->m_hWnd == nullptr) return nullptr;
  return AfxSafeHwnd(pWnd->GetTopLevelParent());
}

INT_PTR CDialog::DoModal() {
  HWND hWndParent = PreModal();
  BOOL bEnableParent = FALSE;
  if (hWndParent != nullptr && ::IsWindowEnabled(hWndParent)) {
    ::EnableWindow(hWndParent, FALSE);
    bEnableParent = TRUE;
  }

  m_nModalResult = -1;
  m_bContinueModal = TRUE;
  AfxHookWindowCreate(this);
  HWND hWnd = ::CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate),
                                   hWndParent, &AfxDlgProc, 0);
  AfxUnhookWindowCreate();
  if (hWnd != nullptr) {
    if (m_bContinueModal) RunModalLoop();
    if (m_hWnd != nullptr)
      SetWindowPos(nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
  }
  m_bContinueModal = FALSE;

  if (bEnableParent) ::EnableWindow(hWndParent, TRUE);
  if (hWndParent != nullptr && m_hWnd != nullptr && ::GetActiveWindow() == m_hWnd)
    ::SetActiveWindow(hWndParent);
  DestroyWindow();
  return m_nModalResult;
}

int CDialog::RunModalLoop() {
  // The dialog shows once everything its creation queued has been handled.
  bool bShowIdle = !(GetStyle() & WS_VISIBLE);
  CWinThread* pThread = AfxGetThread();
  while (m_bContinueModal) {
    MSG msg{};
    if (bShowIdle && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      ShowWindow(SW_SHOWNORMAL);
      UpdateWindow();
      bShowIdle = false;
      continue;
    }
    const BOOL bGot =
        pThread != nullptr ? pThread->PumpMessage() : ::GetMessageA(&msg, nullptr, 0, 0);
    if (!bGot) {
      // WM_QUIT ends the dialog and goes on to the outer loop.
      ::PostQuitMessage(
          static_cast<int>(pThread != nullptr ? pThread->m_msgCur.wParam : msg.wParam));
      m_nModalResult = -1;
      break;
    }
    if (pThread == nullptr && !PreTranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
  m_bContinueModal = FALSE;
  return m_nModalResult;
}

void CDialog::EndModalLoop(int nResult) {
  m_nModalResult = nResult;
  if (m_bContinueModal) {
    m_bContinueModal = FALSE;
    PostMessage(WM_NULL);  // wake the loop if it waits for a message
  }
}

void CDialog::EndDialog(int nResult) {
  if (m_bContinueModal) EndModalLoop(nResult);
  ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST &&
      (pMsg->hwnd == m_hWnd || ::IsChild(m_hWnd, pMsg->hwnd)) && ::IsDialogMessageA(m_hWnd, pMsg))
    return TRUE;
  return CWnd::PreTranslateMessage(pMsg);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
  if (!UpdateData(FALSE)) {
    EndDialog(-1);
    return FALSE;
  }
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }
