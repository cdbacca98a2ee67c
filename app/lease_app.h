// The application object: checks the socket layer, creates and shows the
// main frame, and serves Help > About.
#pragma once

#include <afxwin.h>

class CLeaseApp : public CWinApp {
 public:
  CLeaseApp();
  ~CLeaseApp() override;

  BOOL InitInstance() override;

 protected:
  afx_msg void OnAppAbout();

  DECLARE_MESSAGE_MAP()
};
