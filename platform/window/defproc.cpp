// The default window procedure: what a window does with a message its own
// procedure passes on.
#include <QWidget>

#include "platform/window/geometry.h"
#include "platform/window/queue.h"
#include "platform/window/resource_objects.h"
#include "platform/window/text.h"
#include "platform/window/window_table.h"

namespace lorvane::window::detail {
namespace {

LRESULT DefaultWindowPosChanged(HWND handle, const WINDOWPOS& pos) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return 0;
  if (!(pos.flags & kNoClientSize)) {
    RECT client{};
    GetClientRect(handle, &client);
    Send(handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  }
  return 0;
}

void SetTitle(Window& window) {
  if (IsTopLevel(window) && window.outer != nullptr)
    window.outer->setWindowTitle(FromLocal(window.text));
}

}  // namespace
}  // namespace lorvane::window::detail

using namespace lorvane::window::detail;

LRESULT DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return 0;
  switch (message) {
    case WM_NCCREATE: {
      const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      if (cs != nullptr && cs->lpszName != nullptr && !IS_INTRESOURCE(cs->lpszName)) {
        window->text = cs->lpszName;
        SetTitle(*window);
      }
      return TRUE;
    }
    case WM_SETTEXT:
      window->text = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
      SetTitle(*window);
      return TRUE;
    case WM_GETTEXT:
      return CopyOut(window->text, reinterpret_cast<char*>(lParam), static_cast<int>(wParam));
    case WM_CLOSE:
      DestroyWindow(handle);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) Send(handle, WM_CLOSE, 0, 0);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) SetFocus(handle);
      return 0;
    case WM_WINDOWPOSCHANGED:
      return lParam != 0 ? DefaultWindowPosChanged(handle, *reinterpret_cast<WINDOWPOS*>(lParam))
                         : 0;
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      BeginPaint(handle, &ps);
      EndPaint(handle, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      if (window->cls->background == nullptr) return 0;
      RECT client{};
      GetClientRect(handle, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, window->cls->background);
      return 1;
    }
    case WM_SETFONT:
      window->font = reinterpret_cast<HFONT>(wParam);
      return 0;
    default:
      return 0;
  }
}
