// A thin wrapper of a menu handle, as handed to OnInitMenuPopup.
#pragma once

#include "platform/framework/object.h"
#include "platform/window/winuser.h"

class CMenu : public CObject {
 public:
  HMENU m_hMenu = nullptr;

  CMenu() = default;
  explicit CMenu(HMENU hMenu) : m_hMenu(hMenu) {}

  UINT GetMenuItemCount() const { return static_cast<UINT>(::GetMenuItemCount(m_hMenu)); }
  UINT GetMenuItemID(int nPos) const { return ::GetMenuItemID(m_hMenu, nPos); }
  UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable) {
    return static_cast<UINT>(::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable));
  }
};
