// Network namespaces that a test makes for itself, so that it can build links,
// addresses and routes, run servers and query the live IP Helper without
// touching the host's own network configuration.
//
//   LORVANE_REQUIRE_NETNS();
//   lorvane::test::NetNamespace ns;
//   ns.AddVethPair("lv0", "lv1");
//   ns.AddAddress("lv0", "10.9.0.2/24");
//   ns.SetUp("lv0"); ns.SetUp("lv1");
//   auto records = ns.RunInside([] { ...query... });
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <list>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "support/process.h"

namespace lorvane::test {

// Why this process cannot make network namespaces (not root, no ip command,
// no kernel support), or empty when it can. Probed once.
std::string NetnsUnavailableReason();

// Skips the current test, saying why, where namespaces cannot be made.
#define LORVANE_REQUIRE_NETNS()                                                       \
  do {                                                                                \
    const std::string lorvaneNetnsReason = ::lorvane::test::NetnsUnavailableReason(); \
    if (!lorvaneNetnsReason.empty()) GTEST_SKIP() << lorvaneNetnsReason;              \
  } while (0)

// Moves the calling thread, for the rest of its life, into the mount
// namespace of process `pid` (one that private_mounts started, say), so that
// code under test sees the folders bound there; meant for a RunInside
// thread. Throws std::runtime_error when it cannot.
void EnterMountsOf(pid_t pid);

class NetNamespace {
 public:
  // A fresh named namespace (visible to `ip netns`) with its loopback up. The
  // name is `prefix` made unique by the process id and a counter.
  explicit NetNamespace(const std::string& prefix = "lvtest");
  // Stops what Spawn started, removes /etc/netns/<name> if WriteEtcFile made
  // it, and deletes the namespace with every link in it.
  ~NetNamespace();
  NetNamespace(const NetNamespace&) = delete;
  NetNamespace& operator=(const NetNamespace&) = delete;

  const std::string& name() const { return name_; }

  // `ip -n <name> args...`; throws std::runtime_error with ip's words on
  // failure.
  std::string Ip(const std::vector<std::string>& args) const;
  // Many ip commands at once (`ip -n <name> -batch -`), one per line; for
  // hundreds of links.
  void IpBatch(const std::vector<std::string>& lines) const;

  void AddVethPair(const std::string& link, const std::string& peer) const;
  void DeleteLink(const std::string& link) const;
  void SetUp(const std::string& link) const;
  void AddAddress(const std::string& link, const std::string& cidr) const;
  std::uint32_t IfIndex(const std::string& link) const;

  // Runs a command inside to its end, as `ip netns exec` does: with the
  // namespace's own /sys and /etc/netns/<name> files bound over /etc.
  CommandResult Run(const std::vector<std::string>& argv) const;
  // Starts a long-running command inside (a server); it is stopped when the
  // namespace goes, or earlier through the handle.
  ChildProcess& Spawn(const std::vector<std::string>& argv, const std::string& logPath = {});
  // Writes /etc/netns/<name>/<file>, which commands run by Run and Spawn see
  // as /etc/<file> (resolv.conf, say).
  void WriteEtcFile(const std::string& file, const std::string& content);

  // While alive, the calling thread is inside the namespace; the destructor
  // puts it back where it was.
  class Entered {
   public:
    Entered(Entered&& other) noexcept;
    Entered& operator=(Entered&&) = delete;
    ~Entered();

   private:
    friend class NetNamespace;
    explicit Entered(const std::string& name);
    int previous_ = -1;
  };
  [[nodiscard]] Entered Enter() const;

  // Runs fn on a new thread that has entered the namespace, waits for it and
  // hands back its result (or its exception). gtest assertions inside fn
  // count for the calling test.
  template <typename F>
  auto RunInside(F&& fn) const -> std::invoke_result_t<F&>;

 private:
  std::string name_;
  bool etcDir_ = false;
  std::list<ChildProcess> children_;
};

template <typename F>
auto NetNamespace::RunInside(F&& fn) const -> std::invoke_result_t<F&> {
  std::packaged_task<std::invoke_result_t<F&>()> task([&] {
    Entered inside = Enter();
    return fn();
  });
  auto result = task.get_future();
  std::thread(std::move(task)).join();
  return result.get();
}

}  // namespace lorvane::test
