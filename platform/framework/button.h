// A push button (or another button style); a click sends BN_CLICKED to the
// parent as a command with the button's id.
#pragma once

#include "platform/framework/wnd.h"

class CButton : public CWnd {
  DECLARE_DYNAMIC(CButton)

 public:
  CButton() = default;
  BOOL Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
};
