// Device contexts: CPaintDC begins painting a window for the life of the
// object; the program draws on its handle with the GDI calls.
#pragma once

#include "platform/framework/object.h"
#include "platform/window/wingdi.h"
#include "platform/window/winuser.h"

class CWnd;

class CDC : public CObject {
 public:
  HDC m_hDC = nullptr;

  CDC() = default;
};

class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* pWnd);
  ~CPaintDC() override;

  PAINTSTRUCT m_ps{};

 protected:
  HWND m_hWnd = nullptr;
};
