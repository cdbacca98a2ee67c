// Calls that keep the calling thread waiting (Sleep, a lease release or
// renewal) run through RunBlocking, so that a user interface can keep its
// windows alive while it waits. The kernel knows nothing of windows: the
// window layer installs the runner that does that; without one the work
// simply runs.
#pragma once

#include <functional>

namespace lorvane::kernel {

using BlockingRunner = std::function<void(const std::function<void()>& work)>;

// Runs `work` to its end before returning, and passes on what it throws.
void RunBlocking(const std::function<void()>& work);
// Installs the runner behind RunBlocking; an empty one puts the plain call
// back. Returns the runner set before.
BlockingRunner SetBlockingRunner(BlockingRunner runner);

}  // namespace lorvane::kernel
