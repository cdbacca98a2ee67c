// A single-line edit control, bound to a dialog's edit by DDX_Control.
#pragma once

#include "platform/framework/wnd.h"

class CEdit : public CWnd {
  DECLARE_DYNAMIC(CEdit)

 public:
  CEdit() = default;
};
