#include "platform/registry/registry.h"

#include "platform/registry/state.h"

namespace lorvane::registry {

namespace detail {
ProcessRegistry& TheRegistry() {
  static ProcessRegistry registry;
  return registry;
}
}  // namespace detail

void SetHivePath(const std::string& path) {
  auto& registry = detail::TheRegistry();
  std::lock_guard lock(registry.mutex);
  registry.path = path.empty() ? std::string(kSystemHivePath) : path;
  registry.hive.reset();
  ++registry.generation;
}

std::string HivePath() {
  auto& registry = detail::TheRegistry();
  std::lock_guard lock(registry.mutex);
  return registry.path;
}

PrivilegedChange SetPrivilegedChange(PrivilegedChange change) {
  auto& registry = detail::TheRegistry();
  std::lock_guard lock(registry.mutex);
  std::swap(registry.privileged, change);
  return change;
}

HandleCounts Handles() {
  auto& registry = detail::TheRegistry();
  std::lock_guard lock(registry.mutex);
  HandleCounts counts = registry.counts;
  counts.open = registry.handles.size();
  return counts;
}

}  // namespace lorvane::registry
