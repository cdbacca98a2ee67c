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
    HICON icon = window.iconBig != nullptr ? window.iconBig : window.cls->icon;
    if (icon != nullptr) window.outer->setWindowIcon(IconOf(icon));
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
  if (cls->kind == ControlKind::kDialog) exStyle |= WS_EX_CONTROLPARENT;

  auto owned = std::make_unique<Window>();
  Window& window = *owned;
  window.handle = NextHandle();
  window.cls = cls;
  window.proc = cls->proc;
  window.style = style & ~(WS_VISIBLE | WS_DISABLED);
  window.exStyle = exStyle;
  window.instance = instance;
  window.extra.assign(static_cast<std::size_t>((cls->wndExtra + 7) / 8), 0);
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
  Window* created = FindQuiet(handle);
  if (created == nullptr) return nullptr;
  RECT client{};
  GetClientRect(handle, &client);
  Send(handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  if (FindQuiet(handle) == nullptr) return nullptr;
  Send(handle, WM_MOVE, 0, MAKELPARAM(created->rect.left, created->rect.top));
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

HWND GetWindow(HWND handle, UINT command) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return nullptr;
  if (command == GW_OWNER) return IsTopLevel(*window) ? window->owner : nullptr;
  if (command == GW_CHILD) return window->children.empty() ? nullptr : window->children.front();
  Window* parent = FindQuiet(window->parent);
  if (parent == nullptr) return nullptr;  // top-level siblings are not kept in order
  const auto& siblings = parent->children;
  auto it = std::find(siblings.begin(), siblings.end(), handle);
  if (it == siblings.end()) return nullptr;
  switch (command) {
    case GW_HWNDFIRST:
      return siblings.front();
    case GW_HWNDLAST:
      return siblings.back();
    case GW_HWNDNEXT:
      return (it + 1) == siblings.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV:
      return it == siblings.begin() ? nullptr : *(it - 1);
    default:
      return nullptr;
  }
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

LONG_PTR GetWindowLongPtrA(HWND handle, int index) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return 0;
  switch (index) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(window->proc);
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(window->instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(IsTopLevel(*window) ? window->owner : window->parent);
    case GWLP_ID:
      return window->id;
    case GWL_STYLE:
      return static_cast<LONG>(window->style);
    case GWL_EXSTYLE:
      return static_cast<LONG>(window->exStyle);
    case GWLP_USERDATA:
      return window->userData;
    default:
      break;
  }
  if (index >= 0 && index % 8 == 0 && static_cast<std::size_t>(index / 8) < window->extra.size())
    return window->extra[static_cast<std::size_t>(index / 8)];
  return 0;
}

LONG_PTR SetWindowLongPtrA(HWND handle, int index, LONG_PTR value) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return 0;
  const LONG_PTR old = GetWindowLongPtrA(handle, index);
  switch (index) {
    case GWLP_WNDPROC:
      window->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HINSTANCE:
      window->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWLP_ID:
      window->id = value;
      return old;
    case GWLP_USERDATA:
      window->userData = value;
      return old;
    case GWL_STYLE: {
      const DWORD visible = window->style & WS_VISIBLE;
      const DWORD disabled = window->style & WS_DISABLED;
      window->style =
          (static_cast<DWORD>(value) & ~(WS_VISIBLE | WS_DISABLED)) | visible | disabled;
      return old;
    }
    case GWL_EXSTYLE:
      window->exStyle = static_cast<DWORD>(value);
      return old;
    case GWLP_HWNDPARENT:
      LogUnsupported("changing a window's owner");
      return 0;
    default:
      break;
  }
  if (index >= 0 && index % 8 == 0 && static_cast<std::size_t>(index / 8) < window->extra.size()) {
    window->extra[static_cast<std::size_t>(index / 8)] = value;
    return old;
  }
  return 0;
}

LONG GetWindowLongA(HWND handle, int index) {
  return static_cast<LONG>(GetWindowLongPtrA(handle, index));
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

int GetWindowTextLengthA(HWND handle) {
  if (FindQuiet(handle) == nullptr) return 0;
  return static_cast<int>(Send(handle, WM_GETTEXTLENGTH, 0, 0));
}
