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

TEST(Process, CommandsAreFedWaitedForOrKilledAndChildrenStopWithTheirHandle) {
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
  pid_t pid;
  {
    ChildProcess child({"sleep", "30"});
    pid = child.pid();
    EXPECT_EQ(child.Wait(std::chrono::milliseconds(50)), -1);
    EXPECT_TRUE(child.Running());
  }
  EXPECT_NE(kill(pid, 0), 0);  // reaped, so no such process
}

TEST(NetNamespace, WhatItMakesAndRunsStaysInsideAndGoesWithIt) {
  LORVANE_REQUIRE_NETNS();
  std::string name;
  pid_t pid;
  {
    NetNamespace ns, peer;
    name = ns.name();
    ns.AddVethPair("lvsup0", "lvsup1", &peer);
    ns.AddAddress("lvsup0", "10.77.0.2/24");
    ns.SetUp("lvsup0");
    peer.SetUp("lvsup1");
    ns.AddDefaultRoute("10.77.0.1", "lvsup0");
    EXPECT_FALSE(HostHasLink("lvsup0"));
    EXPECT_THROW(ns.Ip({"link", "show", "lvsup1"}), std::runtime_error);
    EXPECT_NO_THROW(peer.Ip({"link", "show", "lvsup1"}));
    EXPECT_GT(ns.IfIndex("lvsup0"), 1u);
    EXPECT_NE(ns.Ip({"route", "show", "default"}).find("10.77.0.1"), std::string::npos);
    // A thread that entered sees the links; the caller's view is unchanged.
    EXPECT_TRUE(ns.RunInside([] { return HostHasLink("lvsup0"); }));
    EXPECT_FALSE(HostHasLink("lvsup0"));

    ns.WriteEtcFile("resolv.conf", "nameserver 10.1.2.3\n");
    EXPECT_EQ(ns.Run({"cat", "/etc/resolv.conf"}).output, "nameserver 10.1.2.3\n");
    EXPECT_NE(ns.Run({"ip", "-o", "link", "show"}).output.find("lvsup0"), std::string::npos);

    ChildProcess& child = ns.Spawn({"sleep", "30"});
    pid = child.pid();
    // Give ip netns exec its moment to switch before reading the link.
    const std::string ours = std::filesystem::read_symlink("/proc/self/ns/net");
    std::string theirs;
    for (int i = 0; i < 200 && (theirs.empty() || theirs == ours); ++i) {
      std::error_code ec;
      theirs = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/ns/net", ec);
      usleep(5000);
    }
    EXPECT_NE(theirs, ours);
  }
  EXPECT_FALSE(std::filesystem::exists("/run/netns/" + name));
  EXPECT_FALSE(std::filesystem::exists("/etc/netns/" + name));
  EXPECT_NE(kill(pid, 0), 0);
}

}  // namespace
}  // namespace lorvane::test
