// Helpers for tests that drive real windows: waiting for a modal window to
// come up from inside its own loop, and printing rectangles.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/types.h"
#include "platform/window/resources.h"
#include "platform/window/seams.h"

// What every window test starts with: the offscreen application, the given
// resources and screen, and message boxes answered OK and recorded in
// `boxes`.
void BeginWindowTest(const lorvane::window::Resources& resources, SIZE screen,
                     std::vector<lorvane::window::MessageBoxRequest>* boxes);
// Leaves no window, posted message, hook or screen for the next test.
void EndWindowTest();

// Runs `action` from inside whatever loop is running (a modal loop, for
// instance) as soon as the active window is a shown one other than `other`;
// a test failure when none comes up within about two seconds, unless `stop`
// was set by then.
void WhenAnotherWindowIsUp(HWND other, std::function<void(HWND active)> action,
                           std::shared_ptr<const bool> stop = nullptr);

// "(left, top, right, bottom)", for comparing rectangles in one assertion.
std::string Str(const RECT& r);
