#include "platform/iphlp/provider.h"

#include <mutex>

namespace lorvane::iphlp {

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
