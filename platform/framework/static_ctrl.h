// Static text or a static icon.
#pragma once

#include "platform/framework/wnd.h"

class CStatic : public CWnd {
  DECLARE_DYNAMIC(CStatic)

 public:
  CStatic() = default;
  BOOL Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
              UINT nID = 0xffff);
  HICON SetIcon(HICON hIcon);
  HICON GetIcon() const;
};
