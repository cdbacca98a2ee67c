// The adapter snapshot and the adapter list: taking, replacing and releasing
// the snapshot, and one row per adapter in chain order.
#include <cstring>

#include "view/adapter_view.h"

char* CAdapterView::DuplicateString(const char* text) {
  const size_t length = static_cast<size_t>(lstrlenA(text)) + 1;
  char* copy = new char[length];
  std::memcpy(copy, text, length);
  return copy;
}

// The list keeps its own copy; ours goes as soon as the cell is set.
static void SetCellCopy(CListCtrl& list, int row, int column, const char* text) {
  char* copy = CAdapterView::DuplicateString(text);
  list.SetItemText(row, column, copy);
  delete[] copy;
}

const char* CAdapterView::CurrentAddressText(const IP_ADAPTER_INFO* info) {
  return info->CurrentIpAddress != nullptr ? info->CurrentIpAddress->IpAddress.String
                                           : info->IpAddressList.IpAddress.String;
}

const IP_ADAPTER_INFO* CAdapterView::FindAdapter(DWORD ifIndex) const {
  const IP_ADAPTER_INFO* info = m_pAdapterInfo;
  while (info != nullptr && info->Index != ifIndex) info = info->Next;
  return info;
}

void CAdapterView::FreeSnapshot(bool clearList) {
  if (m_pAdapterInfo != nullptr) {
    delete[] reinterpret_cast<BYTE*>(m_pAdapterInfo);
    m_pAdapterInfo = nullptr;
  }
  if (clearList) m_listAdapters.SendMessage(LVM_DELETEALLITEMS, 0, 0);
  m_nAdapterCount = 0;
}

int CAdapterView::LoadAdapters(bool fillList) {
  FreeSnapshot(fillList);
  if (!TakeSnapshot()) return m_nAdapterCount;

  for (IP_ADAPTER_INFO* info = m_pAdapterInfo; info != nullptr; info = info->Next) {
    if (fillList) {
      const char* description =
          info->Description[0] != '\0' ? info->Description : info->AdapterName;
      char* copy = CAdapterView::DuplicateString(description);
      m_listAdapters.InsertItem(LVIF_TEXT, m_nAdapterCount, copy, 0, 0, 0, 0);
      delete[] copy;
      SetCellCopy(m_listAdapters, m_nAdapterCount, 1, CurrentAddressText(info));
      SetCellCopy(m_listAdapters, m_nAdapterCount, 2, info->DhcpEnabled != 0 ? "Y" : "N");
      SetCellCopy(m_listAdapters, m_nAdapterCount, 3, info->AdapterName);
      m_listAdapters.SetItem(m_nAdapterCount, 0, LVIF_PARAM, nullptr, 0, 0, 0, info->Index);
    }
    ++m_nAdapterCount;
  }

  if (fillList && m_nSelected >= 0 && m_nSelected < m_nAdapterCount) {
    m_listAdapters.SetItemState(m_nSelected, LVIS_SELECTED, LVIS_SELECTED);
    m_listAdapters.SendMessage(LVM_REDRAWITEMS, m_nSelected, m_nSelected);
  }
  return m_nAdapterCount;
}

// The two-call query. A buffer whose second call failed holds no adapters;
// it is let go at once so that no reader can walk what the call never wrote.
bool CAdapterView::TakeSnapshot() {
  ULONG size = 0;
  GetAdaptersInfo(nullptr, &size);
  m_pAdapterInfo = reinterpret_cast<IP_ADAPTER_INFO*>(new BYTE[size]);
  if (GetAdaptersInfo(m_pAdapterInfo, &size) != ERROR_SUCCESS) {
    FreeSnapshot(false);
    return false;
  }
  return true;
}

void CAdapterView::OnRefresh() {
  LoadAdapters(true);
  if (m_nSelected < 0) {
    m_nSelected = 0;
  } else if (m_nSelected >= static_cast<int>(m_listAdapters.SendMessage(LVM_GETITEMCOUNT, 0, 0))) {
    m_nSelected = 0;
  }
  ShowDetails(static_cast<DWORD>(m_listAdapters.GetItemData(m_nSelected)));
}
