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

  // Adapter snapshot and adapter list
  int LoadAdapters(bool fillList);
  void FreeSnapshot(bool clearList);
  static char* DuplicateString(const char* text);
  // Adapter details
  void ShowDetails(DWORD ifIndex);
  // Lease release and renew
  void ReleaseLease(DWORD ifIndex);
  void RenewLease(DWORD ifIndex);
  int WaitForAddress(DWORD ifIndex, bool waitingForRelease);

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

 private:
  // The two-call query into a new snapshot, neither counting nor filling.
  bool TakeSnapshot();
  // The snapshot's record of one interface, or null.
  const IP_ADAPTER_INFO* FindAdapter(DWORD ifIndex) const;
  // CurrentIpAddress when there is one, else the first listed address.
  static const char* CurrentAddressText(const IP_ADAPTER_INFO* info);
  // One lease step of either kind: the checks, then the call and its polls.
  void LeaseStep(DWORD ifIndex, bool renew);
  void CallAndPoll(DWORD ifIndex, bool renew, char* failure);
};
