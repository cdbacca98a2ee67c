#include "change_mac_dialog.h"

#include "adapter_reg_key.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CChangeMacDialog, CDialog)
ON_BN_CLICKED(IDC_RESET, OnReset)
END_MESSAGE_MAP()

namespace {

const char kNotSpoofed[] = "not currently spoofed";
const char kRestartCaption[] = "Restart Adapter";
const char kErrorCaption[] = "ERROR";
const int kNewMacLimit = 12;
const int kTextSize = 256;

// What the registry's answer means to the person who clicked.
const char* Reason(LONG error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
      return "Lorvane may not change the registry; start it as an administrator";
    case ERROR_TIMEOUT:
      return "another program kept the registry busy";
    case ERROR_REGISTRY_CORRUPT:
      return "the registry file is damaged";
    default:
      return "the registry could not be changed";
  }
}

// One stop box: what was not done, and why.
void ReportFailure(CWnd* pDlg, const char* notDone, LONG error) {
  char text[1024];
  wsprintfA(text, "%s: %s (error %u).", notDone, Reason(error), static_cast<unsigned>(error));
  pDlg->MessageBox(text, kErrorCaption, MB_ICONHAND | MB_OK);
}

}  // namespace

CChangeMacDialog::CChangeMacDialog(CWnd* pParent, CAdapterRegKey* pRegKey)
    : CDialog(IDD_CHANGE_MAC, pParent), m_pRegKey(pRegKey) {}

CChangeMacDialog::~CChangeMacDialog() = default;

void CChangeMacDialog::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_NEW_MAC, m_editNewMac);
  DDX_Control(pDX, IDC_CURRENT_MAC, m_editCurrentMac);
}

BOOL CChangeMacDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowText(m_pRegKey->m_szDisplayName);
  char szAddress[kTextSize];
  m_pRegKey->ReadNetworkAddress(szAddress, sizeof szAddress);
  m_editCurrentMac.SetWindowText(szAddress[0] != '\0' ? szAddress : kNotSpoofed);
  m_editNewMac.SendMessage(EM_LIMITTEXT, kNewMacLimit, 0);
  return TRUE;
}

// The text goes in as typed: the adapter's driver judges the value.
void CChangeMacDialog::OnOK() {
  char szNewMac[kTextSize];
  m_editNewMac.GetWindowText(szNewMac, sizeof szNewMac);
  const LONG result = m_pRegKey->WriteNetworkAddress(szNewMac);
  if (result == ERROR_SUCCESS) {
    MessageBox("To activate the new MAC address,\nRestart your network adapter", kRestartCaption,
               MB_OK | MB_ICONINFORMATION);
  } else {
    ReportFailure(this, "The new MAC address was not stored", result);
  }
  CDialog::OnOK();
}

// Nothing stored is what Reset asks for, so a missing value is no failure.
void CChangeMacDialog::OnReset() {
  const LONG result = m_pRegKey->DeleteNetworkAddress();
  if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) {
    MessageBox("To restore your MAC address,\nRestart your network adapter", kRestartCaption,
               MB_OK | MB_ICONINFORMATION);
  } else {
    ReportFailure(this, "The MAC address override was not removed", result);
  }
  CDialog::OnOK();
}
