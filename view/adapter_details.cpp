// The details list of one adapter, and the click that chooses it.
#include "view/adapter_view.h"

// Every row is a label and a value; the value is copied out of the platform's
// record before it reaches the list, which keeps its own copy.
static void AddRow(CListCtrl& list, int& row, const char* label, const char* value) {
  list.InsertItem(LVIF_TEXT, row, label, 0, 0, 0, 0);
  char* copy = CAdapterView::DuplicateString(value);
  list.SetItemText(row, 1, copy);
  delete[] copy;
  ++row;
}

// A time the local-time conversion refuses shows an empty value, so the
// rows after it still appear.
static void FormatLeaseTime(LEASE_TIME seconds, char* text) {
  text[0] = '\0';
  CTime time(seconds);
  struct tm local;
  if (time.GetLocalTm(&local) == nullptr) return;
  wsprintfA(text, "%04d.%02d.%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
            local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
}

static void FormatHardwareAddress(const IP_ADAPTER_INFO* info, char* text) {
  text[0] = '\0';
  UINT length = info->AddressLength;
  if (length > MAX_ADAPTER_ADDRESS_LENGTH) length = MAX_ADAPTER_ADDRESS_LENGTH;
  char part[1024];
  for (UINT i = 0; i < length; ++i) {
    wsprintfA(part, "%02X", info->Address[i]);
    lstrcatA(text, part);
  }
}

void CAdapterView::ShowDetails(DWORD ifIndex) {
  m_listInfo.SendMessage(LVM_DELETEALLITEMS, 0, 0);

  const IP_ADAPTER_INFO* info = FindAdapter(ifIndex);
  if (info == nullptr) return;

  int row = 0;
  AddRow(m_listInfo, row, "IP Address", info->IpAddressList.IpAddress.String);
  AddRow(m_listInfo, row, "IP Netmask", info->IpAddressList.IpMask.String);
  AddRow(m_listInfo, row, "Gateway", info->GatewayList.IpAddress.String);
  AddRow(m_listInfo, row, "Gateway Netmask", info->GatewayList.IpMask.String);

  char text[1024];
  if (info->DhcpEnabled != 0) {
    AddRow(m_listInfo, row, "DHCP Server", info->DhcpServer.IpAddress.String);
    if (info->LeaseObtained != 0) {
      FormatLeaseTime(info->LeaseObtained, text);
      AddRow(m_listInfo, row, "DHCP Lease Obtained", text);
    }
    if (info->LeaseExpires != 0) {
      FormatLeaseTime(info->LeaseExpires, text);
      AddRow(m_listInfo, row, "DHCP Lease Expires", text);
    }
  }

  ULONG size = 0;
  GetPerAdapterInfo(ifIndex, nullptr, &size);
  BYTE* buffer = new BYTE[size];
  if (GetPerAdapterInfo(ifIndex, reinterpret_cast<IP_PER_ADAPTER_INFO*>(buffer), &size) ==
      ERROR_SUCCESS) {
    int number = 1;
    for (const IP_ADDR_STRING* dns = &reinterpret_cast<IP_PER_ADAPTER_INFO*>(buffer)->DnsServerList;
         dns != nullptr; dns = dns->Next) {
      wsprintfA(text, "DNS %d", number++);
      AddRow(m_listInfo, row, text, dns->IpAddress.String);
    }
  }
  delete[] buffer;

  if (info->HaveWins != 0) {
    AddRow(m_listInfo, row, "Pri WINS Server", info->PrimaryWinsServer.IpAddress.String);
    AddRow(m_listInfo, row, "Sec WINS Server", info->SecondaryWinsServer.IpAddress.String);
  }

  if (info->AddressLength != 0) {
    FormatHardwareAddress(info, text);
    AddRow(m_listInfo, row, "MAC Address", text);
  }
}

void CAdapterView::OnAdapterClick(NMHDR* /*pNotifyStruct*/, LRESULT* /*pResult*/) {
  const int row = static_cast<int>(m_listAdapters.SendMessage(
      LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
  if (row < 0) return;
  m_nSelected = row;
  LoadAdapters(false);
  ShowDetails(static_cast<DWORD>(m_listAdapters.GetItemData(m_nSelected)));
}
