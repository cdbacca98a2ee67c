// The Change MAC Address dialog: shows the adapter's stored override, stores
// a new one (OK) or removes it (Reset), and tells the user to restart the
// adapter.
#pragma once

#include <afxwin.h>

class CAdapterRegKey;

class CChangeMacDialog : public CDialog {
 public:
  // pRegKey is a record whose Find succeeded; it must outlive the dialog.
  CChangeMacDialog(CWnd* pParent, CAdapterRegKey* pRegKey);
  ~CChangeMacDialog() override;

  CAdapterRegKey* m_pRegKey;
  CEdit m_editNewMac;
  CEdit m_editCurrentMac;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  afx_msg void OnReset();

  DECLARE_MESSAGE_MAP()
};
