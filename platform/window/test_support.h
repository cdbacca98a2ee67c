// Helpers for tests of the window layer and everything above it. The test
// main (lorvane_window_test_main) starts the application on the offscreen
// platform before the tests run; tests reach the real widgets through
// WidgetOf to click and type with QTest.
#pragma once

#include "platform/base/types.h"

class QMenuBar;
class QWidget;

namespace lorvane::window::testing {

// Starts the application on Qt's offscreen platform (once).
void StartOffscreenApplication();

// Handles Qt events and dispatches posted messages (as a message loop would,
// with TranslateMessage and DispatchMessageA) until neither is left. A
// WM_QUIT met on the way is put back and ends the pumping.
void PumpMessages();

// The Qt widget a user meets for a window: for a control, the control
// itself; for a top-level window, the whole window (menu bar included).
QWidget* WidgetOf(HWND window);
// The widget that draws the window's client area (children sit on it).
QWidget* ClientWidgetOf(HWND window);
// The menu bar of a top-level window with a menu; nullptr otherwise.
QMenuBar* MenuBarOf(HWND window);
// The window whose widget (or client widget) this is; nullptr for others.
HWND WindowOf(const QWidget* widget);

// Destroys every window still open, so one test does not leak into the next.
void DestroyAllWindows();

}  // namespace lorvane::window::testing
