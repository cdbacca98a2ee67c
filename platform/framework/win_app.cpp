#include "platform/framework/win_app.h"

#include "platform/framework/afx_ids.h"
#include "platform/framework/wnd.h"

IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND(ID_APP_EXIT, OnAppExit)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName) : m_pszAppName(lpszAppName) {
  lorvane::afx::SetCurrentApp(this, this);
}

CWinApp::~CWinApp() {
  if (AfxGetApp() == this) lorvane::afx::SetCurrentApp(nullptr, nullptr);
}

CWnd* AfxGetMainWnd() {
  CWinThread* pThread = AfxGetThread();
  return pThread != nullptr ? pThread->GetMainWnd() : nullptr;
}

LPCSTR AfxGetAppName() {
  CWinApp* pApp = AfxGetApp();
  return pApp != nullptr && pApp->m_pszAppName != nullptr ? pApp->m_pszAppName : "";
}

void CWinApp::SetCurrentHandles(HINSTANCE hInstance, LPSTR lpCmdLine, int nCmdShow) {
  m_hInstance = hInstance;
  if (AfxGetApp() == this) lorvane::afx::SetCurrentInstance(hInstance);
  m_lpCmdLine = lpCmdLine;
  m_nCmdShow = nCmdShow;
  m_strExeName = "lorvane";
  m_pszExeName = m_strExeName.c_str();
  if (m_pszAppName == nullptr) {
    char title[256];
    m_strAppName = ::LoadStringA(hInstance, AFX_IDS_APP_TITLE, title, sizeof title) > 0
                       ? std::string(title)
                       : m_strExeName;
  } else {
    m_strAppName = m_pszAppName;
  }
  m_pszAppName = m_strAppName.c_str();
}

BOOL CWinApp::InitApplication() { return TRUE; }

BOOL CWinApp::Enable3dControls() { return TRUE; }

void CWinApp::OnAppExit() {
  if (m_pMainWnd != nullptr) m_pMainWnd->SendMessage(WM_CLOSE);
}

int CWinApp::DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT) {
  // Owned by the main window when there is one to own it.
  HWND hWndOwner = nullptr;
  if (CWnd* pMainWnd = AfxGetMainWnd(); pMainWnd != nullptr) hWndOwner = pMainWnd->m_hWnd;
  if ((nType & MB_ICONMASK) == 0) nType |= MB_ICONEXCLAMATION;
  return ::MessageBoxA(hWndOwner, lpszPrompt, AfxGetAppName(), nType);
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp) {
  CWinApp* pApp = AfxGetApp();
  if (pApp != nullptr) return pApp->DoMessageBox(lpszText, nType, nIDHelp);
  return ::MessageBoxA(nullptr, lpszText, "", nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
  char text[1024];
  if (::LoadStringA(AfxGetResourceHandle(), nIDPrompt, text, sizeof text) <= 0) text[0] = '\0';
  if (nIDHelp == static_cast<UINT>(-1)) nIDHelp = nIDPrompt;
  return AfxMessageBox(text, nType, nIDHelp);
}

BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow) {
  CWinApp* pApp = AfxGetApp();
  if (pApp == nullptr) return FALSE;
  pApp->SetCurrentHandles(hInstance, lpCmdLine, nCmdShow);
  return TRUE;
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow) {
  CWinApp* pApp = AfxGetApp();
  if (pApp == nullptr || !AfxWinInit(hInstance, hPrevInstance, lpCmdLine, nCmdShow) ||
      !pApp->InitApplication())
    return -1;
  if (!pApp->InitInstance()) {
    if (pApp->m_pMainWnd != nullptr) pApp->m_pMainWnd->DestroyWindow();
    return pApp->ExitInstance();
  }
  return pApp->Run();
}
