// The one path by which controls tell their parent what happened.
#include "platform/window/controls/notify.h"
#include "platform/window/queue.h"
#include "platform/window/window_table.h"

namespace lorvane::window::detail {

bool NotifyParent(HWND control, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  Window* window = FindQuiet(control);
  if (window == nullptr) return false;
  const LRESULT answer = IsTopLevel(*window) ? 0 : Send(window->parent, message, wParam, lParam);
  if (result != nullptr) *result = answer;
  return FindQuiet(control) != nullptr;
}

bool SendNotify(HWND control, NMHDR& header, UINT code, LRESULT* result) {
  const int id = GetDlgCtrlID(control);
  header.hwndFrom = control;
  header.idFrom = static_cast<UINT_PTR>(id);
  header.code = code;
  return NotifyParent(control, WM_NOTIFY, static_cast<WPARAM>(id),
                      reinterpret_cast<LPARAM>(&header), result);
}

bool SendCommand(HWND control, WORD code) {
  return NotifyParent(control, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                      reinterpret_cast<LPARAM>(control));
}

}  // namespace lorvane::window::detail
