// The GUI application behind every window. The framework's entry point
// starts it once before the first window is created and stops it after the
// message loop has ended; tests use test_support.h instead.
#pragma once

namespace lorvane::window {

// Creates the application on the platform Qt chooses (argc/argv may carry
// Qt's own options, such as -platform; both must outlive the application).
// Does nothing when one exists.
void StartApplication(int& argc, char** argv);
bool ApplicationStarted();
// Destroys the windows still open and ends the application.
void StopApplication();

}  // namespace lorvane::window
