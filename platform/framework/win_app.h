// The application object: one per program, constructed as a global before
// start-up. It knows the program's title and main window, shows the
// program's message boxes, counts the wait cursor and serves the Exit command.
#pragma once

#include <string>

#include "platform/framework/current_app.h"
#include "platform/framework/win_thread.h"

class CWinApp : public CWinThread {
  DECLARE_DYNAMIC(CWinApp)

 public:
  // Without a name, the title is string AFX_IDS_APP_TITLE, read at start-up.
  explicit CWinApp(LPCSTR lpszAppName = nullptr);
  ~CWinApp() override;

  LPCSTR m_pszAppName = nullptr;
  LPCSTR m_pszExeName = nullptr;
  HINSTANCE m_hInstance = nullptr;
  LPSTR m_lpCmdLine = nullptr;
  int m_nCmdShow = SW_SHOWNORMAL;

  virtual BOOL InitApplication();
  // Kept for the familiar start-up sequence: controls here always have the
  // raised look, so there is nothing to switch on.
  BOOL Enable3dControls();

  // Caption the title; a box without an icon gets the exclamation icon.
  virtual int DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT nIDPrompt);

  // Called by the start-up before InitApplication.
  void SetCurrentHandles(HINSTANCE hInstance, LPSTR lpCmdLine, int nCmdShow);

 protected:
  afx_msg void OnAppExit();

 private:
  std::string m_strAppName;
  std::string m_strExeName;

  DECLARE_MESSAGE_MAP()
};

CWnd* AfxGetMainWnd();
LPCSTR AfxGetAppName();

int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));

// Start-up: AfxWinInit records the instance and the title, AfxWinMain runs
// InitInstance and, when it succeeds, the message loop.
BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
