// The window layer's own state: windows, classes and the handle tables that
// the USER32 calls share. Only files of platform/window/ include this.
#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/commctrl.h"
#include "platform/window/winuser.h"

class QMenuBar;

namespace lorvane::window::detail {

// Built-in classes whose procedure lives in this layer.
enum class ControlKind { kNone, kButton, kEdit, kStatic, kListView, kDialog };

struct WindowClass {
  std::string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int clsExtra = 0;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON iconSmall = nullptr;
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
  LONG_PTR userData = 0;
  HINSTANCE instance = nullptr;
  HWND parent = nullptr;
  HWND owner = nullptr;
  std::vector<HWND> children;  // z-order, top first: creation order
  std::string text;
  HMENU menu = nullptr;
  HFONT font = nullptr;
  HICON iconBig = nullptr;
  HICON iconSmall = nullptr;
  std::vector<LONG_PTR> extra;  // window extra bytes, in pointer-sized slots
  RECT rect{};  // window rectangle: in the parent's client coordinates, or the screen's
  bool destroying = false;
  bool minimized = false;
  bool maximized = false;

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

// --- windows
// The desktop is not a window of this layer; a handle no window takes
// stands for it (its rectangles are the screen's).
inline HWND DesktopHandle() { return reinterpret_cast<HWND>(std::uintptr_t{0x10000}); }
// The window behind a handle; nullptr for none (nullptr included).
Window* FindQuiet(HWND handle);
std::vector<HWND> AllWindows();
bool IsTopLevel(const Window& window);
HWND TopLevelOf(HWND handle);

// --- classes
std::shared_ptr<WindowClass> FindClass(LPCSTR name);
void RegisterBuiltinClasses();

// --- geometry (geometry.cpp)
struct Insets {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};
// From the window rectangle to the client rectangle; for a top-level window
// the caption and the menu bar are in `top`.
Insets NonClientInsets(const Window& window);
// Where the Qt widgets go for the current window rectangle.
void ApplyGeometry(Window& window);
// The screen position of the client area's top-left corner.
POINT ClientOrigin(const Window& window);
// Qt moved or resized a top-level window itself (a window manager did):
// take the new rectangle and tell the window.
void AdoptQtGeometry(Window& window);
SIZE ScreenSize();
// Internal WINDOWPOS flags: the client area did not move / change size.
inline constexpr UINT kNoClientSize = 0x0800;
inline constexpr UINT kNoClientMove = 0x1000;

// --- messages (queue.cpp)
LRESULT Send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
// Whether a window procedure is running below the current Qt event.
int DispatchDepth();
class DispatchScope {
 public:
  DispatchScope();
  ~DispatchScope();
  DispatchScope(const DispatchScope&) = delete;
  DispatchScope& operator=(const DispatchScope&) = delete;
};
// Where Qt calls into window procedures (the event filter, a control's
// signal). An exception must not unwind through Qt's event dispatch: one
// that escapes the procedures stops here with a line on stderr, what they
// were doing is abandoned, and `fallback` is what the filter answers.
void ReportEscapedException() noexcept;  // only inside a catch block
template <class F>
void CallFromQt(F&& call) noexcept {
  DispatchScope scope;
  try {
    call();
  } catch (...) {
    ReportEscapedException();
  }
}
template <class R, class F>
R CallFromQt(R fallback, F&& call) noexcept {
  DispatchScope scope;
  try {
    return call();
  } catch (...) {
    ReportEscapedException();
    return fallback;
  }
}
// Puts an input message (a key) in the queue, with the Qt event it came from.
struct KeyRecord {
  int key = 0;
  unsigned modifiers = 0;
  QString text;
  bool autoRepeat = false;
  bool press = true;
  quint32 nativeScanCode = 0;
  quint32 nativeVirtualKey = 0;
  quint32 nativeModifiers = 0;
};
void PostInput(HWND handle, UINT message, WPARAM wParam, LPARAM lParam, const KeyRecord& key);
// The key record of the message DispatchMessageA is delivering, when it
// matches; nullptr for a message sent by the program.
const KeyRecord* CurrentKeyRecord(HWND handle, UINT message, WPARAM wParam);
// Delivers a key message to the Qt widget of a control, as its default
// processing.
void ReplayKey(Window& window, UINT message, WPARAM wParam, LPARAM lParam);
void RunCbtHook(int code, WPARAM wParam, LPARAM lParam, bool* cancel);
// Runs the window-side message loop until `done` says so or WM_QUIT comes
// (which is put back). `dialog` gets IsDialogMessageA first.
void RunModalLoop(HWND dialog, const std::function<bool()>& done);
void WakeUp();

// --- blocking calls (blocking.cpp)
// The runner behind lorvane::kernel::RunBlocking while the application runs:
// on the user-interface thread the work runs on another thread while Qt
// paints and answers the desktop but holds user input back; elsewhere it
// simply runs.
void RunKeepingWindowsAlive(const std::function<void()>& work);
// Whether the user-interface thread is waiting in such a call.
bool InBlockingWait();

// --- focus and activation (focus.cpp)
HWND FocusWindow();
void ChangeFocus(HWND handle);
void Activate(HWND topLevel, WORD how);
void Deactivate(HWND topLevel);
HWND ActiveWindow();
void ForgetWindow(HWND handle);

// --- Qt events (dispatch.cpp)
void InstallDispatcher();
// Roles and names of the layer's windows for assistive technology; after
// Qt's own, so that it is asked first.
void InstallAccessibleFactory();
void RegisterWidget(QWidget* widget, HWND handle);
void UnregisterWidget(QWidget* widget);
HWND WindowOfWidget(const QObject* object);

// --- painting (paint.cpp)
// Sends WM_PAINT for a Qt paint event of the window's client widget.
void PaintFromQt(Window& window, const QRect& area);
QColor ColorOf(COLORREF color);
COLORREF ColorRefOf(const QColor& color);
COLORREF SysColor(int index);
// The colour of a brush handle; false for the null brush or an unknown one.
bool BrushColor(HBRUSH brush, COLORREF* color);
QFont FontOf(HFONT font, const QWidget* fallback);
HFONT CreateFontObject(const QFont& font);
void DeleteFontObject(HFONT font);

// --- menus (menu.cpp)
void AttachMenuBar(Window& window);
void DetachMenuBar(Window& window);
bool IsMenuHandle(HMENU menu);
void DestroyMenuTree(HMENU menu);
// Enabled state of a command in the window's menu: -1 when the menu has no
// such item; also sends WM_INITMENU / WM_INITMENUPOPUP as a menu would.
int PrepareMenuCommand(HWND handle, UINT command);

// --- resources and cursors (resources.cpp)
QIcon IconOf(HICON icon);
Qt::CursorShape CursorShapeOf(HCURSOR cursor);
bool IsWaitCursor(HCURSOR cursor);
UINT ResourceId(LPCSTR name, bool* ok);
void ForgetProgramIcons();

// --- controls (controls/*.cpp)
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListViewProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
// Makes the Qt widget of a built-in control (and its state); false when the
// style asks for something this layer does not do.
bool CreateControlWidget(Window& window, QWidget* parent, const CREATESTRUCTA& cs);

// Every notification a control sends its parent (WM_COMMAND and WM_NOTIFY)
// goes through here. Returns false when the control did not survive the
// parent's handler.
bool NotifyParent(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                  LRESULT* result = nullptr);
bool SendNotify(HWND control, NMHDR& header, UINT code, LRESULT* result = nullptr);
bool SendCommand(HWND control, WORD code);

// --- text
QString FromLocal(const char* text, int length = -1);
QString FromLocal(const std::string& text);
std::string ToLocal(const QString& text);
// Copies text into a caller's buffer of `size` bytes, NUL-terminated; returns
// the count copied without the NUL.
int CopyOut(const std::string& text, char* buffer, int size);

void LogUnsupported(const char* what);

}  // namespace lorvane::window::detail
