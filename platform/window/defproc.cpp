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
  if (!(pos.flags & kNoClientMove)) {
    POINT origin = ClientOrigin(*window);
    if (!IsTopLevel(*window)) ScreenToClient(window->parent, &origin);
    Send(handle, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
  }
  window = FindQuiet(handle);
  if (window != nullptr && !(pos.flags & kNoClientSize)) {
    RECT client{};
    GetClientRect(handle, &client);
    const WPARAM kind = window->minimized   ? SIZE_MINIMIZED
                        : window->maximized ? SIZE_MAXIMIZED
                                            : SIZE_RESTORED;
    Send(handle, WM_SIZE, kind, MAKELPARAM(client.right, client.bottom));
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
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(window->text.size());
    case WM_CLOSE:
      DestroyWindow(handle);
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE:
          Send(handle, WM_CLOSE, 0, 0);
          break;
        case SC_MINIMIZE:
          ShowWindow(handle, SW_MINIMIZE);
          break;
        case SC_MAXIMIZE:
          ShowWindow(handle, SW_SHOWMAXIMIZED);
          break;
        case SC_RESTORE:
          ShowWindow(handle, SW_RESTORE);
          break;
        default:
          break;
      }
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && (lParam & (1 << 29)))
        PostMessageA(TopLevelOf(handle), WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !window->minimized) SetFocus(handle);
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
    case WM_SETICON: {
      HICON* slot = wParam == ICON_BIG ? &window->iconBig : &window->iconSmall;
      HICON old = *slot;
      *slot = reinterpret_cast<HICON>(lParam);
      if (wParam == ICON_BIG && IsTopLevel(*window) && window->outer != nullptr)
        window->outer->setWindowIcon(IconOf(*slot != nullptr ? *slot : window->cls->icon));
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON:
      return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? window->iconBig : window->iconSmall);
    case WM_SETFONT:
      window->font = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(window->font);
    case WM_SETCURSOR:
    case WM_CONTEXTMENU:
      if (!IsTopLevel(*window)) return Send(window->parent, message, wParam, lParam);
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_ACTIVATE;
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_NCACTIVATE:
      return TRUE;
    default:
      return 0;
  }
}
