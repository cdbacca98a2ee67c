// Window handles: creation, destruction, relations, window words and text.
#include <QApplication>
#include <QHash>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "platform/window/border.h"
#include "platform/window/classes.h"
#include "platform/window/controls/procs.h"
#include "platform/window/dispatch.h"
#include "platform/window/focus.h"
#include "platform/window/geometry.h"
#include "platform/window/menu.h"
#include "platform/window/queue.h"
#include "platform/window/resource_objects.h"
#include "platform/window/resources.h"
#include "platform/window/seams.h"
#include "platform/window/text.h"
#include "platform/window/window_table.h"

namespace lorvane::window::detail {
namespace {

std::unordered_map<HWND, std::unique_ptr<Window>>& Table() {
  static std::unordered_map<HWND, std::unique_ptr<Window>> table;
  return table;
}

HWND NextHandle() {
  // Small even numbers, never reused: a stale handle stays invalid.
  static std::uintptr_t next = 0x10000;
  next += 4;
  return reinterpret_cast<HWND>(next);
}

// The plain client area of a window whose class this layer does not know.
class HostWidget : public QWidget {
 public:
  using QWidget::QWidget;
};

Qt::WindowFlags TopLevelFlags(const Window& window) {
  Qt::WindowFlags flags = window.cls->kind == ControlKind::kDialog ? Qt::Dialog : Qt::Window;
  // The offscreen platform imitates a 2-pixel frame and nudges a framed
  // window whose corner is off the screen; the frame here is the layer's own.
  if (QGuiApplication::platformName() == QLatin1String("offscreen"))
    return flags | Qt::FramelessWindowHint;
  flags |= Qt::CustomizeWindowHint;
  if ((window.style & WS_CAPTION) == WS_CAPTION) {
    flags |= Qt::WindowTitleHint;
    if (window.style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (window.style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
    if (window.style & WS_MAXIMIZEBOX) flags |= Qt::WindowMaximizeButtonHint;
  } else {
    flags |= Qt::FramelessWindowHint;
  }
  return flags;
}

bool CreateWidgets(Window& window, const CREATESTRUCTA& cs) {
  Window* parent = FindQuiet(window.parent);
  if (window.cls->kind != ControlKind::kNone && window.cls->kind != ControlKind::kDialog) {
    if (parent == nullptr) {
      LogUnsupported("a control without a parent window");
      return false;
    }
    return CreateControlWidget(window, parent->client, cs);
  }
  const Insets insets = NonClientInsets(window);
  if (IsTopLevel(window)) {
    Window* owner = FindQuiet(window.owner);
    QWidget* outer =
        new QWidget(owner != nullptr ? owner->outer.data() : nullptr, TopLevelFlags(window));
    outer->setAttribute(Qt::WA_DeleteOnClose, false);
    window.outer = outer;
    window.client = new HostWidget(outer);
  } else if (insets.left || insets.top || insets.right || insets.bottom) {
    window.outer = NewBorderWidget(parent->client, window.style, window.exStyle);
    window.client = new HostWidget(window.outer);
  } else {
    window.outer = window.client = new HostWidget(parent->client);
  }
  return true;
}

void ApplyClassLook(Window& window) {
  if (window.client == nullptr) return;
  if (window.cls->cursor != nullptr)
    window.client->setCursor(QCursor(CursorShapeOf(window.cls->cursor)));
  if (IsTopLevel(window)) {
    if (window.cls->icon != nullptr) window.outer->setWindowIcon(IconOf(window.cls->icon));
  }
}

void ReleaseWidgets(Window& window) {
  DetachMenuBar(window);
  for (QWidget* widget : {window.client.data(), window.outer.data()}) {
    if (widget == nullptr) continue;
    UnregisterWidget(widget);
  }
  if (window.outer != nullptr) window.outer->hide();
  window.control.reset();
  if (window.outer != nullptr) {
    // A Qt event of this widget may be on the stack: let Qt delete it later.
    window.outer->deleteLater();
  }
  window.outer = nullptr;
  window.client = nullptr;
}

void Unlink(Window& window) {
  if (Window* parent = FindQuiet(window.parent)) {
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), window.handle), siblings.end());
  }
}

void SendDestroy(HWND handle) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return;
  Send(handle, WM_DESTROY, 0, 0);
  const std::vector<HWND> children =
      FindQuiet(handle) ? FindQuiet(handle)->children : std::vector<HWND>{};
  for (HWND child : children) {
    if (Window* c = FindQuiet(child)) c->destroying = true;
    SendDestroy(child);
  }
}

void SendNcDestroy(HWND handle) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return;
  const std::vector<HWND> children = window->children;
  for (HWND child : children) SendNcDestroy(child);
  window = FindQuiet(handle);
  if (window == nullptr) return;
  Send(handle, WM_NCDESTROY, 0, 0);
  window = FindQuiet(handle);
  if (window == nullptr) return;
  if (window->menu != nullptr && IsTopLevel(*window)) {
    DetachMenuBar(*window);
    DestroyMenuTree(window->menu);
    window->menu = nullptr;
  }
  ForgetWindow(handle);
  Unlink(*window);
  ReleaseWidgets(*window);
  Table().erase(handle);
}

POINT DefaultPosition() {
  static int cascade = 0;
  const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
  POINT p{step * (1 + cascade % 8), step * (1 + cascade % 8)};
  ++cascade;
  return p;
}

}  // namespace

Window* FindQuiet(HWND handle) {
  if (handle == nullptr) return nullptr;
  auto it = Table().find(handle);
  return it == Table().end() ? nullptr : it->second.get();
}

std::vector<HWND> AllWindows() {
  std::vector<HWND> handles;
  for (const auto& [handle, window] : Table()) handles.push_back(handle);
  return handles;
}

bool IsTopLevel(const Window& window) { return (window.style & WS_CHILD) == 0; }

HWND TopLevelOf(HWND handle) {
  Window* window = FindQuiet(handle);
  while (window != nullptr && !IsTopLevel(*window)) window = FindQuiet(window->parent);
  return window != nullptr ? window->handle : nullptr;
}

QString FromLocal(const char* text, int length) {
  if (text == nullptr) return {};
  return QString::fromLocal8Bit(text, length < 0 ? static_cast<qsizetype>(std::strlen(text))
                                                 : static_cast<qsizetype>(length));
}

QString FromLocal(const std::string& text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToLocal(const QString& text) { return text.toLocal8Bit().toStdString(); }

int CopyOut(const std::string& text, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  const int count = std::min(static_cast<int>(text.size()), size - 1);
  std::memcpy(buffer, text.data(), static_cast<std::size_t>(count));
  buffer[count] = '\0';
  return count;
}

void LogUnsupported(const char* what) {
  std::fprintf(stderr, "lorvane window: not implemented: %s\n", what);
}

}  // namespace lorvane::window::detail

using namespace lorvane::window::detail;

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parentHandle, HMENU menuOrId, HINSTANCE instance,
                     LPVOID param) {
  std::shared_ptr<WindowClass> cls = FindClass(className);
  if (cls == nullptr) return nullptr;
  Window* parent = FindQuiet(parentHandle);
  if ((style & WS_CHILD) && parent == nullptr) return nullptr;

  auto owned = std::make_unique<Window>();
  Window& window = *owned;
  window.handle = NextHandle();
  window.cls = cls;
  window.proc = cls->proc;
  window.style = style & ~(WS_VISIBLE | WS_DISABLED);
  window.exStyle = exStyle;
  window.instance = instance;
  if (style & WS_CHILD) {
    window.parent = parentHandle;
    window.id = reinterpret_cast<LONG_PTR>(menuOrId);
  } else {
    window.owner = TopLevelOf(parentHandle);
    window.menu = menuOrId;
    if (window.menu == nullptr && !cls->menuName.empty())
      window.menu = LoadMenuA(instance, cls->menuName.c_str());
  }

  if (style & WS_CHILD) {
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
  } else {
    if (x == CW_USEDEFAULT) {
      const POINT p = (style & WS_POPUP) ? POINT{0, 0} : DefaultPosition();
      x = p.x;
      y = p.y;
    }
    if (width == CW_USEDEFAULT) {
      width = (style & WS_POPUP) ? 0 : GetSystemMetrics(SM_CXSCREEN) * 3 / 4;
      height = (style & WS_POPUP) ? 0 : GetSystemMetrics(SM_CYSCREEN) * 3 / 4;
    }
  }
  window.rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};

  const HWND handle = window.handle;
  Table().emplace(handle, std::move(owned));
  if (parent != nullptr) parent->children.push_back(handle);

  CREATESTRUCTA cs{
      param,      instance,  menuOrId, parentHandle, height, width, y, x, static_cast<LONG>(style),
      windowName, className, exStyle};
  bool cancelled = false;
  CBT_CREATEWNDA cbt{&cs, HWND_TOP};
  RunCbtHook(HCBT_CREATEWND, reinterpret_cast<WPARAM>(handle), reinterpret_cast<LPARAM>(&cbt),
             &cancelled);
  if (cancelled || !CreateWidgets(window, cs)) {
    Unlink(window);
    ReleaseWidgets(window);
    Table().erase(handle);
    return nullptr;
  }
  RegisterWidget(window.outer, handle);
  RegisterWidget(window.client, handle);
  if (IsTopLevel(window) && window.menu != nullptr) AttachMenuBar(window);
  ApplyGeometry(window);
  ApplyClassLook(window);
  if (style & WS_DISABLED) {
    window.style |= WS_DISABLED;
    if (!IsTopLevel(window)) window.outer->setEnabled(false);
  }

  if (!Send(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (FindQuiet(handle) != nullptr) SendNcDestroy(handle);
    return nullptr;
  }
  if (FindQuiet(handle) == nullptr) return nullptr;
  if (Send(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  if (FindQuiet(handle) == nullptr) return nullptr;
  RECT client{};
  GetClientRect(handle, &client);
  Send(handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  if (FindQuiet(handle) == nullptr) return nullptr;
  if (style & WS_VISIBLE) ShowWindow(handle, IsTopLevel(*FindQuiet(handle)) ? SW_SHOW : SW_SHOWNA);
  return FindQuiet(handle) != nullptr ? handle : nullptr;
}

BOOL DestroyWindow(HWND handle) {
  Window* window = FindQuiet(handle);
  if (window == nullptr || window->destroying) return FALSE;
  bool cancelled = false;
  RunCbtHook(HCBT_DESTROYWND, reinterpret_cast<WPARAM>(handle), 0, &cancelled);
  if (cancelled) return FALSE;
  window = FindQuiet(handle);
  if (window == nullptr) return FALSE;
  window->destroying = true;

  // Windows it owns go first.
  for (HWND other : AllWindows()) {
    Window* w = FindQuiet(other);
    if (w != nullptr && w->owner == handle && !w->destroying) DestroyWindow(other);
  }
  window = FindQuiet(handle);
  if (window == nullptr) return TRUE;
  const bool wasActive = ActiveWindow() == handle;
  const HWND owner = window->owner;
  if (window->outer != nullptr) window->outer->hide();
  window->style &= ~WS_VISIBLE;

  const HWND focus = FocusWindow();
  if (focus == handle || IsChild(handle, focus))
    ChangeFocus(IsTopLevel(*window) ? nullptr : window->parent);
  if (wasActive) {
    Deactivate(handle);
    if (owner != nullptr && IsWindowVisible(owner)) Activate(owner, WA_ACTIVE);
  }
  SendDestroy(handle);
  SendNcDestroy(handle);
  return TRUE;
}

BOOL IsWindow(HWND handle) { return FindQuiet(handle) != nullptr ? TRUE : FALSE; }

BOOL IsChild(HWND parentHandle, HWND handle) {
  Window* window = FindQuiet(handle);
  while (window != nullptr && !IsTopLevel(*window)) {
    if (window->parent == parentHandle) return TRUE;
    window = FindQuiet(window->parent);
  }
  return FALSE;
}

HWND GetParent(HWND handle) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return nullptr;
  if (!IsTopLevel(*window)) return window->parent;
  return (window->style & WS_POPUP) ? window->owner : nullptr;
}

// Only GW_OWNER: the framework asks nothing else.
HWND GetWindow(HWND handle, UINT command) {
  Window* window = FindQuiet(handle);
  if (window == nullptr || command != GW_OWNER) return nullptr;
  return IsTopLevel(*window) ? window->owner : nullptr;
}

HWND GetDlgItem(HWND dialog, int id) {
  Window* window = FindQuiet(dialog);
  if (window == nullptr) return nullptr;
  for (HWND child : window->children) {
    Window* c = FindQuiet(child);
    if (c != nullptr && static_cast<int>(c->id) == id) return child;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND handle) {
  Window* window = FindQuiet(handle);
  return window != nullptr && !IsTopLevel(*window) ? static_cast<int>(window->id) : 0;
}

LONG GetWindowLongA(HWND handle, int index) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return 0;
  switch (index) {
    case GWL_STYLE:
      return static_cast<LONG>(window->style);
    case GWL_EXSTYLE:
      return static_cast<LONG>(window->exStyle);
    default:
      LogUnsupported("GetWindowLongA indexes other than the styles");
      return 0;
  }
}

// Only GWLP_WNDPROC: the framework subclasses windows, nothing more.
LONG_PTR SetWindowLongPtrA(HWND handle, int index, LONG_PTR value) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return 0;
  if (index != GWLP_WNDPROC) {
    LogUnsupported("SetWindowLongPtrA indexes other than GWLP_WNDPROC");
    return 0;
  }
  const WNDPROC old = window->proc;
  window->proc = reinterpret_cast<WNDPROC>(value);
  return reinterpret_cast<LONG_PTR>(old);
}

BOOL SetWindowTextA(HWND handle, LPCSTR text) {
  if (FindQuiet(handle) == nullptr) return FALSE;
  return Send(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text != nullptr ? text : "")) ? TRUE
                                                                                            : FALSE;
}

int GetWindowTextA(HWND handle, LPSTR text, int maxCount) {
  if (text != nullptr && maxCount > 0) text[0] = '\0';
  if (FindQuiet(handle) == nullptr || text == nullptr || maxCount <= 0) return 0;
  return static_cast<int>(
      Send(handle, WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(text)));
}
