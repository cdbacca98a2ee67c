// The namespace helpers must keep everything they make away from the host
// and take it all down again; later tests rely on both.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/netns.h"
#include "support/process.h"

namespace lorvane::test {
namespace {

bool HostHasLink(const std::string& name) {
  return RunCommand({"ip", "link", "show", "dev", name}).exitCode == 0;
}

TEST(Process, RunCommandGivesExitCodeOutputAndInput) {
  CommandResult r = RunCommand({"sh", "-c", "read x; echo got $x; exit 3"}, std::chrono::seconds(5), "hello\n");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.output, "got hello\n");
  EXPECT_FALSE(r.timedOut);
}

TEST(Process, RunCommandKillsWhatOverrunsItsTime) {
  auto start = std::chrono::steady_clock::now();
  CommandResult r = RunCommand({"sleep", "10"}, std::chrono::milliseconds(200));
  EXPECT_TRUE(r.timedOut);
  EXPECT_EQ(r.exitCode, -1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(Process, ChildProcessIsStoppedWhenItGoes) {
  pid_t pid;
  {
    ChildProcess child({"sleep", "30"});
    pid = child.pid();
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(child.Running());
  }
  EXPECT_NE(kill(pid, 0), 0);  // reaped, so no such process
}

TEST(NetNamespace, LinksStayInsideAndGoWithIt) {
  LORVANE_REQUIRE_NETNS();
  std::string name;
  {
    NetNamespace ns;
    name = ns.name();
    ns.AddVethPair("lvsup0", "lvsup1");
    ns.AddAddress("lvsup0", "10.77.0.2/24");
    ns.SetUp("lvsup0");
    ns.SetUp("lvsup1");
    ns.AddDefaultRoute("10.77.0.1", "lvsup0");
    EXPECT_FALSE(HostHasLink("lvsup0"));
    EXPECT_GT(ns.IfIndex("lvsup0"), 1u);
    EXPECT_NE(ns.Ip({"route", "show", "default"}).find("10.77.0.1"), std::string::npos);

    // A thread that entered sees the links; the caller's view is unchanged.
    bool inside = ns.RunInside([] { return HostHasLink("lvsup0"); });
    EXPECT_TRUE(inside);
    EXPECT_FALSE(HostHasLink("lvsup0"));
  }
  EXPECT_FALSE(std::filesystem::exists("/run/netns/" + name));
}

TEST(NetNamespace, PeerGoesToTheOtherNamespace) {
  LORVANE_REQUIRE_NETNS();
  NetNamespace a, b;
  a.AddVethPair("lvpa", "lvpb", &b);
  EXPECT_NO_THROW(a.Ip({"link", "show", "lvpa"}));
  EXPECT_THROW(a.Ip({"link", "show", "lvpb"}), std::runtime_error);
  EXPECT_NO_THROW(b.Ip({"link", "show", "lvpb"}));
}

TEST(NetNamespace, CommandsInsideSeeItsLinksAndEtcFiles) {
  LORVANE_REQUIRE_NETNS();
  NetNamespace ns;
  ns.AddLink("lvbr0", "bridge");
  ns.WriteEtcFile("resolv.conf", "nameserver 10.1.2.3\n");
  CommandResult links = ns.Run({"ip", "-o", "link", "show"});
  EXPECT_NE(links.output.find("lvbr0"), std::string::npos);
  CommandResult resolv = ns.Run({"cat", "/etc/resolv.conf"});
  EXPECT_EQ(resolv.output, "nameserver 10.1.2.3\n");
}

TEST(NetNamespace, SpawnedCommandsRunInsideAndStopWithIt) {
  LORVANE_REQUIRE_NETNS();
  pid_t pid;
  {
    NetNamespace ns;
    ChildProcess& child = ns.Spawn({"sleep", "30"});
    pid = child.pid();
    ASSERT_TRUE(child.Running());
    // Give ip netns exec its moment to switch before reading the link.
    std::string ours = std::filesystem::read_symlink("/proc/self/ns/net").string();
    std::string theirs;
    for (int i = 0; i < 200 && (theirs.empty() || theirs == ours); ++i) {
      std::error_code ec;
      theirs = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/ns/net", ec).string();
      usleep(5000);
    }
    EXPECT_NE(theirs, ours);
  }
  EXPECT_NE(kill(pid, 0), 0);
}

}  // namespace
}  // namespace lorvane::test
