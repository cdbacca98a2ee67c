// The namespace helpers must keep everything they make away from the host
// and take it all down again; later tests rely on both.
#include "support/netns.h"

#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "support/process.h"

namespace lorvane::test {
namespace {

bool HostHasLink(const std::string& name) {
  return RunCommand({"ip", "link", "show", "dev", name}).exitCode == 0;
}

TEST(Process, CommandsAreFedWaitedForOrKilledAndChildrenWaitedFor) {
  CommandResult r =
      RunCommand({"sh", "-c", "read x; echo got $x; exit 3"}, std::chrono::seconds(5), "hello\n");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.output, "got hello\n");

  const auto start = std::chrono::steady_clock::now();
  r = RunCommand({"sleep", "10"}, std::chrono::milliseconds(200));
  EXPECT_TRUE(r.timedOut);
  EXPECT_EQ(r.exitCode, -1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  EXPECT_EQ(ChildProcess({"sh", "-c", "exit 4"}).Wait(std::chrono::seconds(5)), 4);
  // Stopping it with its handle is checked at the end of the namespace test.
  ChildProcess child({"sleep", "30"});
  EXPECT_EQ(child.Wait(std::chrono::milliseconds(50)), -1);
  EXPECT_TRUE(child.Running());
}

// What the other tests' namespaces hold (addresses, routes, servers) is
// checked by the tests that query it; here only that none of it reaches the
// host or outlives the namespace.
TEST(NetNamespace, WhatItMakesAndRunsStaysInsideAndGoesWithIt) {
  LORVANE_REQUIRE_NETNS();
  std::string name;
  pid_t pid;
  {
    NetNamespace ns;
    name = ns.name();
    ns.AddVethPair("lvsup0", "lvsup1");
    EXPECT_FALSE(HostHasLink("lvsup0"));
    EXPECT_THROW(ns.Ip({"link", "show", "lvnone"}), std::runtime_error);
    {
      auto inside = ns.Enter();
      EXPECT_TRUE(HostHasLink("lvsup0"));
    }
    EXPECT_FALSE(HostHasLink("lvsup0"));  // this thread is back on the host
    ns.WriteEtcFile("resolv.conf", "nameserver 10.1.2.3\n");
    EXPECT_EQ(ns.Run({"cat", "/etc/resolv.conf"}).output, "nameserver 10.1.2.3\n");
    pid = ns.Spawn({"sleep", "30"}).pid();
  }
  EXPECT_FALSE(std::filesystem::exists("/run/netns/" + name));
  EXPECT_FALSE(std::filesystem::exists("/etc/netns/" + name));
  EXPECT_NE(kill(pid, 0), 0);  // stopped and reaped with its handle
}

}  // namespace
}  // namespace lorvane::test
