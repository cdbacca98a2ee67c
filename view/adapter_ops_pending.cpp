// TEMPORARY stand-ins for the adapter operations, so the window can be built
// and shown before they land: no snapshot is ever taken, so both lists stay
// empty, and the buttons and Change MAC Addr do nothing. Delete this file
// when adapter_list.cpp, adapter_details.cpp and the lease and MAC address
// handlers come.
#include <cstring>

#include "view/adapter_view.h"

char* CAdapterView::DuplicateString(const char* text) {
  const size_t size = std::strlen(text) + 1;
  char* copy = new char[size];
  std::memcpy(copy, text, size);
  return copy;
}

void CAdapterView::FreeSnapshot(bool clearList) {
  m_pAdapterInfo = nullptr;
  if (clearList) ::SendMessageA(m_listAdapters.m_hWnd, LVM_DELETEALLITEMS, 0, 0);
  m_nAdapterCount = 0;
}

int CAdapterView::LoadAdapters(bool fillList) {
  FreeSnapshot(fillList);
  return m_nAdapterCount;
}

void CAdapterView::ShowDetails(DWORD) {
  ::SendMessageA(m_listInfo.m_hWnd, LVM_DELETEALLITEMS, 0, 0);
}

void CAdapterView::OnAdapterClick(NMHDR*, LRESULT*) {}
void CAdapterView::OnRefresh() {}
void CAdapterView::OnRelease() {}
void CAdapterView::OnRenew() {}
void CAdapterView::OnChangeMac() {}
