// The one place where Qt events become window messages. An application-wide
// event filter finds the window a Qt event belongs to; input to a disabled
// window is dropped here, keys go to the message queue (so that the loop's
// accelerators and dialog keys see them), and the rest is sent to the window
// procedure at once.
#include "platform/window/dispatch.h"

#include <QApplication>
#include <QHash>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPaintEvent>

#include "platform/window/blocking.h"
#include "platform/window/focus.h"
#include "platform/window/geometry.h"
#include "platform/window/keys.h"
#include "platform/window/paint.h"
#include "platform/window/queue.h"
#include "platform/window/window_table.h"

namespace lorvane::window::detail {
namespace {

QHash<const QObject*, HWND>& Widgets() {
  static QHash<const QObject*, HWND> widgets;
  return widgets;
}

struct Owner {
  HWND handle = nullptr;
  bool inMenu = false;  // the event is for the window's menu bar or a popup of it
};

Owner OwnerOf(const QObject* object) {
  Owner owner;
  for (const QObject* o = object; o != nullptr; o = o->parent()) {
    if (qobject_cast<const QMenu*>(o) != nullptr || qobject_cast<const QMenuBar*>(o) != nullptr)
      owner.inMenu = true;
    auto it = Widgets().constFind(o);
    if (it != Widgets().constEnd()) {
      owner.handle = it.value();
      return owner;
    }
    // A window of its own that is not ours (a message box over one of our
    // windows, say) belongs to nobody here; a popup of our menu bar does.
    if (o->isWidgetType() && static_cast<const QWidget*>(o)->isWindow() &&
        qobject_cast<const QMenu*>(o) == nullptr)
      return Owner{};
  }
  return Owner{};
}

bool IsInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}

bool Handled(QEvent::Type type) {
  switch (type) {
    case QEvent::Paint:
    case QEvent::Resize:
    case QEvent::Move:
    case QEvent::Close:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::FocusIn:
      return true;
    default:
      return IsInput(type);
  }
}

// Whether the window or one of its ancestors is disabled.
bool InputBlocked(HWND handle) {
  for (Window* w = FindQuiet(handle); w != nullptr; w = FindQuiet(w->parent)) {
    if (w->style & WS_DISABLED) return true;
    if (IsTopLevel(*w)) break;
  }
  return false;
}

// The window that takes the activation meant for `top`: its last enabled,
// visible owned window while it is disabled (a modal dialog's owner).
HWND Activatable(HWND top) {
  Window* window = FindQuiet(top);
  if (window == nullptr || !(window->style & WS_DISABLED)) return top;
  HWND found = top;
  for (HWND other : AllWindows()) {
    Window* w = FindQuiet(other);
    if (w != nullptr && IsTopLevel(*w) && w->owner == top && IsWindowVisible(other) &&
        !(w->style & WS_DISABLED))
      found = other;
  }
  return found == top ? top : Activatable(found);
}

void RequestQtActivation(HWND top) {
  Window* window = FindQuiet(top);
  if (window != nullptr && window->outer != nullptr && window->outer->isVisible())
    window->outer->activateWindow();
}

bool QueueKey(HWND handle, const QKeyEvent& event) {
  const unsigned mods = event.modifiers().toInt();
  const int vk = VirtualKeyOf(event.key(), mods);
  const bool press = event.type() == QEvent::KeyPress;
  const bool alt = (mods & Qt::AltModifier) && !(mods & Qt::ControlModifier);
  UINT message = press ? WM_KEYDOWN : WM_KEYUP;
  if (alt || event.key() == Qt::Key_F10) message = press ? WM_SYSKEYDOWN : WM_SYSKEYUP;
  LPARAM lParam = 1 | (static_cast<LPARAM>(event.nativeScanCode() & 0xFF) << 16);
  if (alt) lParam |= 1 << 29;
  if (event.isAutoRepeat() || !press) lParam |= 1 << 30;
  if (!press) lParam |= static_cast<LPARAM>(1u << 31);
  KeyRecord record{event.key(),
                   mods,
                   event.text(),
                   event.isAutoRepeat(),
                   press,
                   event.nativeScanCode(),
                   event.nativeVirtualKey(),
                   event.nativeModifiers()};
  PostInput(handle, message, static_cast<WPARAM>(vk), lParam, record);
  return true;
}

bool Deliver(Window& window, QObject* object, QEvent* event) {
  const HWND handle = window.handle;
  const bool isOuter = object == window.outer;
  const bool isClient = object == window.client;
  const bool topLevel = IsTopLevel(window);
  switch (event->type()) {
    case QEvent::Paint:
      if (isClient && window.cls->kind != ControlKind::kNone &&
          window.cls->kind != ControlKind::kDialog)
        return false;  // a control's widget paints itself
      if (!isClient) return false;
      PaintFromQt(window, static_cast<QPaintEvent*>(event)->rect());
      return true;
    case QEvent::Resize:
    case QEvent::Move:
      if (isOuter && topLevel) AdoptQtGeometry(window);
      return false;
    case QEvent::Close:
      if (!isOuter || !topLevel) return false;
      event->ignore();
      // A handler is waiting in a blocking call: the close box waits for
      // it to end, like any click.
      if (InBlockingWait())
        PostMessageA(handle, WM_SYSCOMMAND, SC_CLOSE, 0);
      else
        Send(handle, WM_SYSCOMMAND, SC_CLOSE, 0);
      return true;
    case QEvent::WindowActivate:
      if (isOuter && topLevel) {
        // A disabled window is not activated: its enabled owned window is.
        const HWND target = Activatable(handle);
        Activate(target, WA_ACTIVE);
        if (target != handle) RequestQtActivation(target);
      }
      return false;
    case QEvent::WindowDeactivate:
      if (isOuter && topLevel && ActiveWindow() == handle) {
        const HWND now = TopLevelOf(OwnerOf(QApplication::activeWindow()).handle);
        if (now == nullptr) {
          Deactivate(handle);
        } else if (const HWND target = Activatable(now); target == handle) {
          RequestQtActivation(handle);  // the user clicked a window this one disables
        } else {
          Activate(target, WA_ACTIVE);
        }
      }
      return false;
    case QEvent::FocusIn:
      if (FocusWindow() != handle) SetFocus(handle);
      return false;
    default:
      break;
  }
  if (window.control != nullptr && window.control->FilterQtEvent(object, event)) return true;
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    if (ReplayGuard::Active()) return false;
    return QueueKey(handle, *static_cast<QKeyEvent*>(event));
  }
  return false;
}

class Dispatcher : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (!object->isWidgetType() || !Handled(event->type())) return false;
    const Owner owner = OwnerOf(object);
    Window* window = FindQuiet(owner.handle);
    if (window == nullptr) return false;
    if (IsInput(event->type()) && InputBlocked(owner.handle)) return true;
    if (owner.inMenu) return false;  // Qt runs the menus; menu.cpp reports their commands
    if (event->type() == QEvent::ShortcutOverride) return false;
    return CallFromQt(false, [&] { return Deliver(*window, object, event); });
  }
};

}  // namespace

void InstallDispatcher() {
  static Dispatcher* dispatcher = nullptr;
  if (dispatcher != nullptr || qApp == nullptr) return;
  dispatcher = new Dispatcher(qApp);
  qApp->installEventFilter(dispatcher);
}

void RegisterWidget(QWidget* widget, HWND handle) {
  if (widget == nullptr) return;
  Widgets().insert(widget, handle);
}

void UnregisterWidget(QWidget* widget) { Widgets().remove(widget); }

HWND WindowOfWidget(const QObject* object) { return OwnerOf(object).handle; }

}  // namespace lorvane::window::detail
