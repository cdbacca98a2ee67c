#include "platform/iphlp/provider.h"

#include <atomic>
#include <mutex>

#include "platform/iphlp/live_provider.h"

namespace lorvane::iphlp {
namespace {

std::mutex& ProviderMutex() {
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<Provider>& Installed() {
  static std::shared_ptr<Provider> provider;
  return provider;
}

std::atomic<std::uint64_t> generation{0};

}  // namespace

Provider& CurrentProvider() {
  std::lock_guard lock(ProviderMutex());
  auto& provider = Installed();
  if (!provider) provider = std::make_shared<LiveProvider>();
  return *provider;
}

std::shared_ptr<Provider> SetProvider(std::shared_ptr<Provider> provider) {
  std::lock_guard lock(ProviderMutex());
  auto old = std::move(Installed());
  Installed() = std::move(provider);
  ++generation;
  return old;
}

std::uint64_t ProviderGeneration() { return generation.load(); }

namespace {
std::mutex routeMutex;
LeaseRoute& Route() {
  static LeaseRoute route;
  return route;
}
}  // namespace

LeaseRoute SetLeaseRoute(LeaseRoute route) {
  std::lock_guard lock(routeMutex);
  std::swap(Route(), route);
  return route;
}

LeaseRoute CurrentLeaseRoute() {
  std::lock_guard lock(routeMutex);
  return Route();
}

}  // namespace lorvane::iphlp
