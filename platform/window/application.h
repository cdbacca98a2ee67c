// The GUI application behind every window. The framework's entry point
// starts it once before the first window is created; tests use
// test_support.h instead.
#pragma once

namespace lorvane::window {

// Creates the application on the platform Qt chooses (argc/argv may carry
// Qt's own options, such as -platform). Does nothing when one exists.
void StartApplication(int& argc, char** argv);
bool ApplicationStarted();

}  // namespace lorvane::window
