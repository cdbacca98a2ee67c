// The keyboard focus and the active window. This layer keeps both itself and
// sends WM_KILLFOCUS / WM_SETFOCUS and WM_ACTIVATE at once, as Windows does;
// Qt is told afterwards and its own focus events only report what the user
// did.
#include <QApplication>
#include <QCursor>
#include <QWidget>

#include "platform/window/focus.h"
#include "platform/window/queue.h"
#include "platform/window/window_table.h"

namespace lorvane::window::detail {
namespace {

HWND& Focus() {
  static HWND focus = nullptr;
  return focus;
}

HWND& Active() {
  static HWND active = nullptr;
  return active;
}

bool Inside(HWND top, HWND handle) {
  return handle != nullptr && (handle == top || IsChild(top, handle));
}

void GiveQtFocus(HWND handle) {
  Window* window = FindQuiet(handle);
  if (window == nullptr || window->client == nullptr) return;
  window->client->setFocus(Qt::OtherFocusReason);
}

}  // namespace

HWND FocusWindow() { return FindQuiet(Focus()) != nullptr ? Focus() : nullptr; }
HWND ActiveWindow() { return FindQuiet(Active()) != nullptr ? Active() : nullptr; }

void ChangeFocus(HWND handle) {
  if (handle != nullptr && FindQuiet(handle) == nullptr) return;
  const HWND old = FocusWindow();
  if (handle == old) {
    if (handle != nullptr) GiveQtFocus(handle);
    return;
  }
  Focus() = handle;
  if (old != nullptr) {
    Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(handle), 0);
    if (Window* w = FindQuiet(old); w != nullptr && handle == nullptr && w->client != nullptr)
      w->client->clearFocus();
  }
  if (Focus() != handle || handle == nullptr) return;  // a handler moved it on
  GiveQtFocus(handle);
  Send(handle, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
}

void Activate(HWND topLevel, WORD how) {
  if (FindQuiet(topLevel) == nullptr || ActiveWindow() == topLevel) return;
  const HWND old = ActiveWindow();
  Active() = topLevel;
  if (old != nullptr) {
    Send(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(topLevel));
  }
  if (Active() != topLevel || FindQuiet(topLevel) == nullptr) return;
  if (Window* window = FindQuiet(topLevel);
      window->outer != nullptr && window->outer->isVisible() && !window->outer->isActiveWindow())
    window->outer->activateWindow();
  Send(topLevel, WM_ACTIVATE, how, reinterpret_cast<LPARAM>(old));
  // The focus follows the activation when the window did not place it.
  if (Active() == topLevel && !Inside(topLevel, FocusWindow())) ChangeFocus(topLevel);
}

void Deactivate(HWND topLevel) {
  if (ActiveWindow() != topLevel || topLevel == nullptr) return;
  Active() = nullptr;
  Send(topLevel, WM_ACTIVATE, WA_INACTIVE, 0);
  if (Inside(topLevel, FocusWindow())) ChangeFocus(nullptr);
}

void ForgetWindow(HWND handle) {
  if (Focus() == handle) Focus() = nullptr;
  if (Active() == handle) Active() = nullptr;
}

}  // namespace lorvane::window::detail

using namespace lorvane::window::detail;

HWND GetFocus() { return FocusWindow(); }

HWND SetFocus(HWND handle) {
  const HWND old = FocusWindow();
  if (handle == nullptr) {
    ChangeFocus(nullptr);
    return old;
  }
  Window* window = FindQuiet(handle);
  if (window == nullptr) return nullptr;
  const HWND top = TopLevelOf(handle);
  if (top != ActiveWindow() && IsWindowVisible(top)) {
    Activate(top, WA_ACTIVE);
    if (FindQuiet(handle) == nullptr) return nullptr;
  }
  ChangeFocus(handle);
  return old;
}

HWND GetActiveWindow() { return ActiveWindow(); }

HWND SetActiveWindow(HWND handle) {
  const HWND old = ActiveWindow();
  Window* window = FindQuiet(handle);
  if (window == nullptr || !IsTopLevel(*window)) return nullptr;
  Activate(handle, WA_ACTIVE);
  return old;
}
