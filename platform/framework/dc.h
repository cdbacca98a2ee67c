// Device contexts: CPaintDC begins painting a window for the life of the
// object; CDC's operations are the GDI calls on its handle.
#pragma once

#include "platform/framework/object.h"
#include "platform/window/wingdi.h"
#include "platform/window/winuser.h"

class CWnd;

class CDC : public CObject {
 public:
  HDC m_hDC = nullptr;

  CDC() = default;
  HDC GetSafeHdc() const { return m_hDC; }

  int DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat);
  int DrawTextA(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) {
    return DrawText(lpszString, nCount, lpRect, nFormat);
  }
  COLORREF SetTextColor(COLORREF crColor);
  int SetBkMode(int nBkMode);
  void FillRect(LPCRECT lpRect, HBRUSH hBrush);
  BOOL DrawIcon(int x, int y, HICON hIcon);
};

class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* pWnd);
  ~CPaintDC() override;

  PAINTSTRUCT m_ps{};

 protected:
  HWND m_hWnd = nullptr;
};
