// Lease release and renew: the lease call for one adapter, then a short poll
// of its address, with the wait cursor up; the handlers rebuild both lists.
#include <cstring>
#include <memory>

#include "view/adapter_view.h"

namespace {

const char kErrorCaption[] = "ERROR";
const int kMaxPolls = 2;
const DWORD kPollInterval = 500;
const char kReleased[] = "0.0.0.0";

// What the platform's answer means to the person who clicked.
const char* Reason(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
      return "Lorvane may not change the network settings; start it as an administrator";
    case ERROR_FILE_NOT_FOUND:
      return "no DHCP client is installed";
    case ERROR_TIMEOUT:
      return "the DHCP server did not answer in time";
    case ERROR_NOT_FOUND:
      return "no DHCP client manages this adapter";
    case ERROR_DEV_NOT_EXIST:
      return "the network adapter is gone";
    case ERROR_NOT_SUPPORTED:
      return "this system cannot do that";
    default:
      return "the DHCP client failed";
  }
}

}  // namespace

void CAdapterView::OnRelease() {
  if (m_nSelected < 0 || m_nSelected >= m_nAdapterCount) return;
  ReleaseLease(static_cast<DWORD>(m_listAdapters.GetItemData(m_nSelected)));
  LoadAdapters(true);
  ShowDetails(static_cast<DWORD>(m_listAdapters.GetItemData(m_nSelected)));
}

void CAdapterView::OnRenew() {
  if (m_nSelected < 0 || m_nSelected >= m_nAdapterCount) return;
  const DWORD ifIndex = static_cast<DWORD>(m_listAdapters.GetItemData(m_nSelected));
  ReleaseLease(ifIndex);
  RenewLease(ifIndex);
  LoadAdapters(true);
  ShowDetails(static_cast<DWORD>(m_listAdapters.GetItemData(m_nSelected)));
}

void CAdapterView::ReleaseLease(DWORD ifIndex) { LeaseStep(ifIndex, false); }

void CAdapterView::RenewLease(DWORD ifIndex) { LeaseStep(ifIndex, true); }

int CAdapterView::WaitForAddress(DWORD ifIndex, bool waitingForRelease) {
  FreeSnapshot(true);
  if (!TakeSnapshot()) return 1;
  const IP_ADAPTER_INFO* info = FindAdapter(ifIndex);
  if (info == nullptr) return 1;
  const bool released = std::strcmp(CurrentAddressText(info), kReleased) == 0;
  return released == waitingForRelease ? 0 : 1;
}

// The adapter checked is the one whose lease is asked for: after adapters
// came or went, the row's position may hold another.
void CAdapterView::LeaseStep(DWORD ifIndex, bool renew) {
  const IP_ADAPTER_INFO* info = FindAdapter(ifIndex);
  // A failed poll of the release step leaves no snapshot; that says nothing
  // of the adapter, and a renewal must not be lost for it.
  if (info == nullptr && renew && m_pAdapterInfo == nullptr && TakeSnapshot())
    info = FindAdapter(ifIndex);
  if (info == nullptr) {
    MessageBox("Please select a network adapter", kErrorCaption, MB_ICONHAND | MB_OK);
    return;
  }
  if (info->DhcpEnabled == 0) {
    MessageBox("DHCP not enabled on selected network adapter", kErrorCaption, MB_ICONHAND | MB_OK);
    return;
  }
  char failure[1024] = "";
  {
    CWaitCursor wait;
    CallAndPoll(ifIndex, renew, failure);
  }
  if (failure[0] != '\0') MessageBox(failure, kErrorCaption, MB_ICONHAND | MB_OK);
}

// Fills `failure` when the step could not be done; the polls are then
// skipped, as there is nothing to wait for.
void CAdapterView::CallAndPoll(DWORD ifIndex, bool renew, char* failure) {
  ULONG size = 0;
  GetInterfaceInfo(nullptr, &size);
  std::unique_ptr<BYTE[]> buffer(new BYTE[size]);
  IP_INTERFACE_INFO* table = reinterpret_cast<IP_INTERFACE_INFO*>(buffer.get());
  DWORD error = GetInterfaceInfo(table, &size);
  if (error != NO_ERROR && error != ERROR_NO_DATA) {
    wsprintfA(failure, "Could not read the list of network interfaces (error %u).",
              static_cast<unsigned>(error));
    return;
  }
  IP_ADAPTER_INDEX_MAP* entry = nullptr;
  if (error == NO_ERROR) {
    IP_ADAPTER_INDEX_MAP* entries = table->Adapter;
    for (LONG i = 0; i < table->NumAdapters && entry == nullptr; ++i) {
      if (entries[i].Index == ifIndex) entry = &entries[i];
    }
  }
  if (entry == nullptr) {
    wsprintfA(failure, "The selected network adapter cannot hold a DHCP lease now.");
    return;
  }

  error = renew ? IpRenewAddress(entry) : IpReleaseAddress(entry);
  if (error != NO_ERROR) {
    wsprintfA(failure, "Could not %s the DHCP lease: %s (error %u).", renew ? "renew" : "release",
              Reason(error), static_cast<unsigned>(error));
    return;
  }
  for (int poll = 0; poll < kMaxPolls; ++poll) {
    if (WaitForAddress(ifIndex, !renew) == 0) break;
    Sleep(kPollInterval);
  }
}
