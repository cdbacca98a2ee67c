// Which provider the calls use, kept apart from provider.cpp so that the
// interface does not depend on the live provider it defaults to.
#include <atomic>
#include <memory>
#include <mutex>

#include "platform/iphlp/live_provider.h"
#include "platform/iphlp/provider.h"

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

}  // namespace lorvane::iphlp
