// Function > Change MAC Addr: the selected adapter's driver key, then the
// dialog over it.
#include "macaddr/adapter_reg_key.h"
#include "macaddr/change_mac_dialog.h"
#include "view/adapter_view.h"

// The record is looked up by the row's interface index: after adapters came
// or went, the selected position in the snapshot may hold another adapter.
void CAdapterView::OnChangeMac() {
  if (m_nSelected < 0 || m_nSelected >= m_nAdapterCount) return;
  const IP_ADAPTER_INFO* info =
      FindAdapter(static_cast<DWORD>(m_listAdapters.GetItemData(m_nSelected)));
  if (info == nullptr) return;

  const char* adapterName = info->AdapterName[0] != '\0' ? info->AdapterName : info->Description;
  const char* displayName = info->Description[0] != '\0' ? info->Description : info->AdapterName;
  CAdapterRegKey regKey;
  if (regKey.Find(displayName, adapterName) != 0) return;

  CChangeMacDialog dlg(this, &regKey);
  dlg.DoModal();
}
