#include "platform/kernel/blocking.h"

#include <mutex>

namespace lorvane::kernel {
namespace {
std::mutex g_runnerLock;
BlockingRunner g_runner;
}  // namespace

void RunBlocking(const std::function<void()>& work) {
  BlockingRunner runner;
  {
    std::lock_guard<std::mutex> hold(g_runnerLock);
    runner = g_runner;
  }
  if (runner)
    runner(work);
  else
    work();
}

BlockingRunner SetBlockingRunner(BlockingRunner runner) {
  std::lock_guard<std::mutex> hold(g_runnerLock);
  BlockingRunner old = std::move(g_runner);
  g_runner = std::move(runner);
  return old;
}

}  // namespace lorvane::kernel
