// The message queue, sending, and the guard around calls from Qt into
// window procedures.
#pragma once

#include <QString>
#include <functional>

#include "platform/window/winuser.h"

namespace lorvane::window::detail {

struct Window;

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
// Whether the key is held down, as the queue's key messages have told.
bool KeyDownNow(int virtualKey);

}  // namespace lorvane::window::detail
