#include "app/lease_app.h"

#include <afxsock.h>

#include "app/about_dialog.h"
#include "app/main_frame.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CLeaseApp, CWinApp)
ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
END_MESSAGE_MAP()

// No name: the title is the string resource the framework reads at start-up.
CLeaseApp::CLeaseApp() = default;

CLeaseApp::~CLeaseApp() = default;

BOOL CLeaseApp::InitInstance() {
  if (!AfxSocketInit()) {
    AfxMessageBox(IDS_SOCKETS_FAILED, MB_OK);
    return FALSE;
  }

  Enable3dControls();

  // The view looks the main window up while the frame is being created, so
  // the frame is the main window before its window exists.
  CMainFrame* pMainFrame = new CMainFrame;
  m_pMainWnd = pMainFrame;
  // A frame that fails to load has deleted itself; there is nothing to show.
  if (!pMainFrame->LoadFrame(IDR_MAIN, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, nullptr)) {
    m_pMainWnd = nullptr;
    return FALSE;
  }

  m_pMainWnd->ShowWindow(SW_SHOW);
  m_pMainWnd->UpdateWindow();
  return TRUE;
}

void CLeaseApp::OnAppAbout() {
  CAboutDialog aboutDlg;
  aboutDlg.DoModal();
}
