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
