// Blocking work on the user-interface thread.
#pragma once

#include <functional>

namespace lorvane::window::detail {

// The runner behind lorvane::kernel::RunBlocking while the application runs:
// on the user-interface thread the work runs on another thread while Qt
// paints and answers the desktop but holds user input back; elsewhere it
// simply runs.
void RunKeepingWindowsAlive(const std::function<void()>& work);
// Whether the user-interface thread is waiting in such a call.
bool InBlockingWait();

}  // namespace lorvane::window::detail
