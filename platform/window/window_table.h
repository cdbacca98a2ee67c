// The window layer's windows and classes as it keeps them, and the table
// that finds a window by its handle.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/winuser.h"

class QMenuBar;

namespace lorvane::window::detail {

// Built-in classes whose procedure lives in this layer.
enum class ControlKind { kNone, kButton, kEdit, kStatic, kListView, kDialog };

struct WindowClass {
  std::string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  std::string menuName;
  ControlKind kind = ControlKind::kNone;
  ATOM atom = 0;
};

// The state of a built-in control; each control kind derives its own.
class Control {
 public:
  virtual ~Control() = default;
  // A Qt event for the control's widget or one of its parts; true when the
  // control consumed it.
  virtual bool FilterQtEvent(QObject*, QEvent*) { return false; }
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  LONG_PTR id = 0;
  HINSTANCE instance = nullptr;
  HWND parent = nullptr;
  HWND owner = nullptr;
  std::vector<HWND> children;  // z-order, top first: creation order
  std::string text;
  HMENU menu = nullptr;
  HFONT font = nullptr;
  RECT rect{};  // window rectangle: in the parent's client coordinates, or the screen's
  bool destroying = false;

  QPointer<QWidget> outer;   // the whole window as Qt sees it
  QPointer<QWidget> client;  // draws the client area; children sit on it
  QPointer<QMenuBar> menuBar;
  std::unique_ptr<Control> control;
};

// Objects behind handles. Handle values are small numbers from a counter,
// never reused, so a handle squeezed through a LONG (SetClassLongA) survives
// and a stale handle is simply not found.
template <class T>
class HandleTable {
 public:
  explicit HandleTable(std::uintptr_t base) : next_(base) {}
  template <class H>
  H Add(std::unique_ptr<T> object) {
    next_ += 4;
    objects_[next_] = std::move(object);
    return reinterpret_cast<H>(next_);
  }
  T* Get(const void* handle) const {
    auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == objects_.end() ? nullptr : it->second.get();
  }
  bool Remove(const void* handle) {
    return objects_.erase(reinterpret_cast<std::uintptr_t>(handle)) != 0;
  }

 private:
  std::uintptr_t next_;
  std::map<std::uintptr_t, std::unique_ptr<T>> objects_;
};

// The desktop is not a window of this layer; a handle no window takes
// stands for it (its rectangles are the screen's).
inline HWND DesktopHandle() { return reinterpret_cast<HWND>(std::uintptr_t{0x10000}); }
// The window behind a handle; nullptr for none (nullptr included).
Window* FindQuiet(HWND handle);
std::vector<HWND> AllWindows();
bool IsTopLevel(const Window& window);
HWND TopLevelOf(HWND handle);

}  // namespace lorvane::window::detail
