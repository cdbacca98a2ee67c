// Help > About: the icon, the name and version, and OK.
#pragma once

#include <afxwin.h>

class CAboutDialog : public CDialog {
 public:
  CAboutDialog();
  ~CAboutDialog() override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  DECLARE_MESSAGE_MAP()
};
