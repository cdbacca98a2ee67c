// Helpers for tests that drive real windows: waiting for a modal window to
// come up from inside its own loop, and printing rectangles.
#pragma once

#include <functional>
#include <string>

#include "platform/base/types.h"

// Runs `action` from inside whatever loop is running (a modal loop, for
// instance) as soon as the active window is a shown one other than `other`;
// a test failure when none comes up within about two seconds.
void WhenAnotherWindowIsUp(HWND other, std::function<void(HWND active)> action);

// "(left, top, right, bottom)", for comparing rectangles in one assertion.
std::string Str(const RECT& r);
