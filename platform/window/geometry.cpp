// Window rectangles, the fixed frame metrics, showing and enabling.
#include <QApplication>
#include <QMenuBar>
#include <algorithm>

#include "platform/window/focus.h"
#include "platform/window/geometry.h"
#include "platform/window/metrics.h"
#include "platform/window/queue.h"
#include "platform/window/seams.h"
#include "platform/window/window_table.h"

namespace lorvane::window::detail {
namespace {

int FrameThickness(DWORD style, DWORD exStyle) {
  if (style & WS_THICKFRAME) return kSizingFrame;
  if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) return kDialogFrame;
  if (style & WS_BORDER) return kBorder;
  return 0;
}

int EdgeThickness(DWORD exStyle) { return (exStyle & WS_EX_CLIENTEDGE) ? 2 : 0; }

int CaptionHeight(DWORD style) { return (style & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0; }

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

SIZE ClientSize(const Window& window) {
  const Insets in = NonClientInsets(window);
  return SIZE{std::max(0, Width(window.rect) - in.left - in.right),
              std::max(0, Height(window.rect) - in.top - in.bottom)};
}

// Sends WM_WINDOWPOSCHANGED for a change already made; DefWindowProcA turns
// it into WM_SIZE.
void AnnounceChange(Window& window, UINT flags, SIZE oldClient) {
  const HWND handle = window.handle;
  const SIZE client = ClientSize(window);
  if (client.cx == oldClient.cx && client.cy == oldClient.cy) flags |= kNoClientSize;
  WINDOWPOS pos{
      handle, nullptr, window.rect.left, window.rect.top, Width(window.rect), Height(window.rect),
      flags};
  Send(handle, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
}

bool ActivatesOnShow(int command) {
  return command == SW_SHOW || command == SW_SHOWNORMAL || command == SW_SHOWDEFAULT;
}

}  // namespace

Insets NonClientInsets(const Window& window) {
  if (window.cls->kind != ControlKind::kNone && window.cls->kind != ControlKind::kDialog) {
    // A control's Qt widget draws its own frame; the client area is inside it.
    const int b = ((window.style & WS_BORDER) ? 1 : 0) + EdgeThickness(window.exStyle);
    return Insets{b, b, b, b};
  }
  const int frame = FrameThickness(window.style, window.exStyle) + EdgeThickness(window.exStyle);
  const int menu = (IsTopLevel(window) && window.menu != nullptr) ? kMenuHeight : 0;
  return Insets{frame, frame + CaptionHeight(window.style) + menu, frame, frame};
}

void ApplyGeometry(Window& window) {
  if (window.outer == nullptr) return;
  const RECT& r = window.rect;
  if (!IsTopLevel(window)) {
    window.outer->setGeometry(r.left, r.top, std::max(0, Width(r)), std::max(0, Height(r)));
    if (window.client != window.outer) {
      const Insets in = NonClientInsets(window);
      const SIZE client = ClientSize(window);
      window.client->setGeometry(in.left, in.top, client.cx, client.cy);
    }
    return;
  }
  // The Qt window is what lies inside the frame and below the caption; the
  // frame and the caption are left to the window system.
  const int frame = FrameThickness(window.style, window.exStyle);
  const int caption = CaptionHeight(window.style);
  const int edge = EdgeThickness(window.exStyle);
  const int menu = window.menu != nullptr ? kMenuHeight : 0;
  const int w = std::max(0, Width(r) - 2 * frame);
  const int h = std::max(0, Height(r) - 2 * frame - caption);
  const QRect geometry(r.left + frame, r.top + frame + caption, w, h);
  // Without a sizing border the user cannot resize the window either.
  if (window.style & WS_THICKFRAME) {
    window.outer->setMinimumSize(0, 0);
    window.outer->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  } else {
    window.outer->setFixedSize(w, h);
  }
  window.outer->setGeometry(geometry);
  if (window.menuBar != nullptr) window.menuBar->setGeometry(0, 0, w, std::min(menu, h));
  window.client->setGeometry(edge, menu + edge, std::max(0, w - 2 * edge),
                             std::max(0, h - menu - 2 * edge));
}

RECT WindowRectFor(const RECT& client, DWORD style, DWORD exStyle) {
  const int frame = FrameThickness(style, exStyle) + EdgeThickness(exStyle);
  return RECT{client.left - frame, client.top - frame - CaptionHeight(style), client.right + frame,
              client.bottom + frame};
}

POINT ClientOrigin(const Window& window) {
  const Insets in = NonClientInsets(window);
  POINT p{window.rect.left + in.left, window.rect.top + in.top};
  if (!IsTopLevel(window)) {
    if (Window* parent = FindQuiet(window.parent)) {
      const POINT base = ClientOrigin(*parent);
      p.x += base.x;
      p.y += base.y;
    }
  }
  return p;
}

void AdoptQtGeometry(Window& window) {
  if (window.outer == nullptr || !IsTopLevel(window)) return;
  const int frame = FrameThickness(window.style, window.exStyle);
  const int caption = CaptionHeight(window.style);
  const QRect g = window.outer->geometry();
  const RECT rect{g.left() - frame, g.top() - frame - caption, g.left() + g.width() + frame,
                  g.top() + g.height() + frame};
  if (rect.left == window.rect.left && rect.top == window.rect.top &&
      rect.right == window.rect.right && rect.bottom == window.rect.bottom)
    return;
  const SIZE oldClient = ClientSize(window);
  window.rect = rect;
  const int menu = window.menu != nullptr ? kMenuHeight : 0;
  const int edge = EdgeThickness(window.exStyle);
  if (window.menuBar != nullptr) window.menuBar->setGeometry(0, 0, g.width(), menu);
  window.client->setGeometry(edge, menu + edge, std::max(0, g.width() - 2 * edge),
                             std::max(0, g.height() - menu - 2 * edge));
  AnnounceChange(window, SWP_NOZORDER | SWP_NOACTIVATE, oldClient);
}

}  // namespace lorvane::window::detail

using namespace lorvane::window::detail;

BOOL GetClientRect(HWND handle, LPRECT rect) {
  if (rect == nullptr) return FALSE;
  if (handle == DesktopHandle()) {
    const SIZE s = ScreenSize();
    *rect = RECT{0, 0, s.cx, s.cy};
    return TRUE;
  }
  Window* window = FindQuiet(handle);
  if (window == nullptr) return FALSE;
  const Insets in = NonClientInsets(*window);
  *rect = RECT{0, 0, std::max(0, window->rect.right - window->rect.left - in.left - in.right),
               std::max(0, window->rect.bottom - window->rect.top - in.top - in.bottom)};
  return TRUE;
}

BOOL GetWindowRect(HWND handle, LPRECT rect) {
  if (rect == nullptr) return FALSE;
  if (handle == DesktopHandle()) return GetClientRect(handle, rect);
  Window* window = FindQuiet(handle);
  if (window == nullptr) return FALSE;
  *rect = window->rect;
  if (!IsTopLevel(*window)) {
    if (Window* parent = FindQuiet(window->parent)) {
      const POINT base = ClientOrigin(*parent);
      rect->left += base.x;
      rect->right += base.x;
      rect->top += base.y;
      rect->bottom += base.y;
    }
  }
  return TRUE;
}

// Windows here are never restacked: every caller passes SWP_NOZORDER.
BOOL SetWindowPos(HWND handle, HWND, int x, int y, int cx, int cy, UINT flags) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return FALSE;
  WINDOWPOS pos{handle, nullptr, x, y, std::max(cx, 0), std::max(cy, 0), flags};
  if (flags & SWP_NOMOVE) {
    pos.x = window->rect.left;
    pos.y = window->rect.top;
  }
  if (flags & SWP_NOSIZE) {
    pos.cx = Width(window->rect);
    pos.cy = Height(window->rect);
  }
  Send(handle, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
  window = FindQuiet(handle);
  if (window == nullptr) return FALSE;
  const SIZE oldClient = ClientSize(*window);
  window->rect = RECT{pos.x, pos.y, pos.x + pos.cx, pos.y + pos.cy};
  ApplyGeometry(*window);
  if (pos.flags & SWP_HIDEWINDOW) ShowWindow(handle, SW_HIDE);
  window = FindQuiet(handle);
  if (window == nullptr) return TRUE;
  AnnounceChange(*window, pos.flags, oldClient);
  return TRUE;
}

BOOL MoveWindow(HWND handle, int x, int y, int width, int height, BOOL) {
  return SetWindowPos(handle, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL ShowWindow(HWND handle, int command) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return FALSE;
  const BOOL wasVisible = (window->style & WS_VISIBLE) ? TRUE : FALSE;
  if (command == SW_HIDE) {
    if (!wasVisible) return FALSE;
    window->style &= ~WS_VISIBLE;
    // Qt may move its activation as soon as the widget hides; decide first.
    const bool wasActive = ActiveWindow() == handle;
    const HWND owner = window->owner;
    const HWND parent = IsTopLevel(*window) ? nullptr : window->parent;
    if (window->outer != nullptr) window->outer->hide();
    const HWND focus = FocusWindow();
    if (focus == handle || IsChild(handle, focus)) ChangeFocus(parent);
    if (wasActive) {
      Deactivate(handle);
      if (owner != nullptr && IsWindowVisible(owner)) Activate(owner, WA_ACTIVE);
    }
    return wasVisible;
  }
  window->style |= WS_VISIBLE;
  if (window->outer == nullptr) return wasVisible;
  if (!IsTopLevel(*window)) {
    window->outer->show();
    return wasVisible;
  }
  const bool activate = ActivatesOnShow(command);
  window->outer->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
  window->outer->show();
  if (activate) {
    window->outer->raise();
    Activate(handle, WA_ACTIVE);
  }
  return wasVisible;
}

BOOL IsWindowVisible(HWND handle) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return FALSE;
  while (window != nullptr) {
    if (!(window->style & WS_VISIBLE)) return FALSE;
    if (IsTopLevel(*window)) return TRUE;
    window = FindQuiet(window->parent);
  }
  return FALSE;
}

BOOL UpdateWindow(HWND handle) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return FALSE;
  if (IsWindowVisible(handle) && window->client != nullptr && window->client->isVisible())
    window->client->repaint();
  return TRUE;
}

BOOL EnableWindow(HWND handle, BOOL enable) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return FALSE;
  const BOOL wasDisabled = (window->style & WS_DISABLED) ? TRUE : FALSE;
  if ((enable != FALSE) == !wasDisabled) return wasDisabled;
  if (enable) {
    window->style &= ~WS_DISABLED;
  } else {
    window->style |= WS_DISABLED;
    const HWND focus = FocusWindow();
    if (focus == handle || IsChild(handle, focus)) ChangeFocus(nullptr);
  }
  // A disabled top-level window keeps its look; the dispatcher drops its
  // input. A disabled control shows greyed, as on Windows.
  if (!IsTopLevel(*window) && window->outer != nullptr) window->outer->setEnabled(enable != FALSE);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND handle) {
  Window* window = FindQuiet(handle);
  return window != nullptr && !(window->style & WS_DISABLED) ? TRUE : FALSE;
}
