// The main window's only pane: the caption, the adapter list, the Refresh,
// Release and Renew buttons and the details list. It owns the adapter
// snapshot, the adapter count and the selected position.
#pragma once

#include <afxwin.h>
#include <iphlpapi.h>

class CAdapterView : public CWnd {
 public:
  CAdapterView();
  ~CAdapterView() override;

  // Adapter operations
  int LoadAdapters(bool fillList);
  void FreeSnapshot(bool clearList);
  void ShowDetails(DWORD ifIndex);
  static char* DuplicateString(const char* text);

  IP_ADAPTER_INFO* m_pAdapterInfo;
  int m_nAdapterCount;
  CListCtrl m_listAdapters;
  CListCtrl m_listInfo;
  int m_nSelected;
  CButton m_btnRefresh;
  CButton m_btnRelease;
  CButton m_btnRenew;

 protected:
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;

  afx_msg void OnPaint();
  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnAdapterClick(NMHDR* pNMHDR, LRESULT* pResult);
  afx_msg void OnRefresh();
  afx_msg void OnRelease();
  afx_msg void OnRenew();
  afx_msg void OnChangeMac();

  DECLARE_MESSAGE_MAP()
};
