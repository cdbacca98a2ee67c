// The IP Helper calls against a real DHCP server and a real dhclient, in
// network namespaces of the test's own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "dhcp_lab.h"
#include "ip_helper_view.h"
#include "platform/base/errors.h"
#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/live_provider.h"
#include "support/process.h"

namespace lorvane::iphlp {
namespace {

using test::Adapter;
using test::DhcpLab;
using test::DnsServers;
using test::InterfaceEntry;
using test::Seen;

#define REQUIRE_LAB()                                              \
  do {                                                             \
    const std::string why = DhcpLab::UnavailableReason();          \
    if (!why.empty()) GTEST_SKIP() << "needs a DHCP lab: " << why; \
  } while (0)

std::string FileText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool InRange(const std::string& address) { return address.rfind("10.77.1.", 0) == 0; }

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_LAB();
    hostResolvConf_ = FileText("/etc/resolv.conf");
    lab_ = std::make_unique<DhcpLab>(1);
    lab_->StartClient(0);
    started_ = std::time(nullptr);
  }
  void TearDown() override {
    SetProvider(nullptr);
    lab_.reset();
    if (started_) {
      EXPECT_EQ(FileText("/etc/resolv.conf"), hostResolvConf_);
    }
  }
  // The live provider, its DHCP client pointed at the lab.
  void InstallLiveProvider() {
    std::ofstream(lab_->dir() + "/resolv.conf") << "nameserver 10.99.0.1\n";
    SetProvider(std::make_shared<LiveProvider>(
        std::make_unique<DhclientClient>(lab_->ClientOptions()), lab_->dir() + "/resolv.conf"));
  }

  std::unique_ptr<DhcpLab> lab_;
  std::string hostResolvConf_;
  std::time_t started_ = 0;
};

TEST_F(EndToEnd, TheClientReadsTheLeaseTheServerGave) {
  DhclientClient client(lab_->ClientOptions());
  DhcpState s = client.State(DhcpLab::Link(0));
  EXPECT_TRUE(s.enabled);
  EXPECT_EQ(s.server, DhcpLab::kRouter);
  EXPECT_EQ(s.dnsServers, (std::vector<std::string>{DhcpLab::kDns1, DhcpLab::kDns2}));
  EXPECT_EQ(s.winsServers, (std::vector<std::string>{DhcpLab::kWins1, DhcpLab::kWins2}));
  EXPECT_EQ(s.leaseExpires - s.leaseObtained, DhcpLab::kLeaseSeconds);
  EXPECT_NEAR(static_cast<double>(s.leaseObtained), static_cast<double>(started_), 5.0);
  // The same link name in the host's namespace is not the lab's.
  DhclientOptions hostOnly;
  hostOnly.leaseDirs = {};
  hostOnly.configFiles = {};
  hostOnly.interfacesFile = {};
  EXPECT_FALSE(DhclientClient(hostOnly).State(DhcpLab::Link(0)).enabled);
}

TEST_F(EndToEnd, TheIpHelperCallsShowTheLease) {
  InstallLiveProvider();
  lab_->client().RunInside([&] {
    Seen a = Adapter(DhcpLab::Link(0));
    ASSERT_TRUE(a.found);
    EXPECT_EQ(a.dhcpEnabled, 1u);
    EXPECT_TRUE(InRange(a.address)) << a.address;
    EXPECT_EQ(a.gateway, DhcpLab::kRouter);
    EXPECT_EQ(a.dhcpServer, DhcpLab::kRouter);
    EXPECT_TRUE(a.haveWins);
    EXPECT_EQ(a.wins1, DhcpLab::kWins1);
    EXPECT_EQ(a.wins2, DhcpLab::kWins2);
    EXPECT_EQ(a.expires - a.obtained, DhcpLab::kLeaseSeconds);
    // The lease's servers, not the resolver file's.
    EXPECT_EQ(DnsServers(a.index), (std::vector<std::string>{DhcpLab::kDns1, DhcpLab::kDns2}));

    IP_ADAPTER_INDEX_MAP entry{};
    ASSERT_TRUE(InterfaceEntry(a.index, entry));
    EXPECT_EQ(std::u16string(entry.Name), u"lvc0");
  });
}

TEST_F(EndToEnd, ReleaseDropsTheAddressAndRenewBringsANewLease) {
  InstallLiveProvider();
  lab_->client().RunInside([&] {
    Seen before = Adapter(DhcpLab::Link(0));
    ASSERT_TRUE(InRange(before.address));
    IP_ADAPTER_INDEX_MAP entry{};
    ASSERT_TRUE(InterfaceEntry(before.index, entry));

    ASSERT_EQ(IpReleaseAddress(&entry), static_cast<DWORD>(NO_ERROR));
    Seen released = Adapter(DhcpLab::Link(0));
    EXPECT_EQ(released.address, "0.0.0.0");
    EXPECT_EQ(released.dhcpEnabled, 1u);  // still configured for DHCP
    EXPECT_EQ(released.dhcpServer, "");
    EXPECT_EQ(released.expires, 0);
    EXPECT_FALSE(released.haveWins);
    // With no lease, the resolver file speaks for DNS.
    EXPECT_EQ(DnsServers(before.index), (std::vector<std::string>{"10.99.0.1"}));
    // Still in the table, so that it can be renewed.
    ASSERT_TRUE(InterfaceEntry(before.index, entry));
    EXPECT_EQ(IpReleaseAddress(&entry), static_cast<DWORD>(NO_ERROR));  // nothing left to give up

    ASSERT_EQ(IpRenewAddress(&entry), static_cast<DWORD>(NO_ERROR));
    Seen renewed = Adapter(DhcpLab::Link(0));
    EXPECT_TRUE(InRange(renewed.address)) << renewed.address;
    EXPECT_EQ(renewed.dhcpServer, DhcpLab::kRouter);
    EXPECT_GE(renewed.obtained, before.obtained);
    EXPECT_EQ(renewed.expires - renewed.obtained, DhcpLab::kLeaseSeconds);
    EXPECT_EQ(DnsServers(before.index), (std::vector<std::string>{DhcpLab::kDns1, DhcpLab::kDns2}));
  });
  // The server saw both sides.
  std::string log = FileText(lab_->dir() + "/dnsmasq.log");
  EXPECT_NE(log.find("DHCPRELEASE"), std::string::npos);
  EXPECT_EQ(log.rfind("DHCPACK") > log.find("DHCPRELEASE"), true);

  // The renewed client is a real one: a second release finds and stops it.
  lab_->client().RunInside([&] {
    Seen now = Adapter(DhcpLab::Link(0));
    IP_ADAPTER_INDEX_MAP entry{};
    ASSERT_TRUE(InterfaceEntry(now.index, entry));
    ASSERT_EQ(IpReleaseAddress(&entry), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(Adapter(DhcpLab::Link(0)).address, "0.0.0.0");
  });
}

// Renewing while dhclient runs replaces that client with one on the same
// files: one client for the link afterwards, and the lease still held.
TEST_F(EndToEnd, RenewWhileTheClientRunsKeepsOneClient) {
  DhclientClient client(lab_->ClientOptions());
  std::string pidFile = lab_->dir() + "/dhclient." + DhcpLab::Link(0) + ".pid";
  std::string before = FileText(pidFile);
  ASSERT_EQ(client.Renew(DhcpLab::Link(0)), static_cast<DWORD>(NO_ERROR));
  // The new client writes its pid file once it has gone to the background,
  // a moment after the call returns.
  std::string after = before;
  for (int i = 0; i < 500 && (after == before || after.empty()); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    after = FileText(pidFile);
  }
  EXPECT_NE(after, before);
  EXPECT_EQ(lab_->RunningClients(), 1);
  EXPECT_EQ(client.State(DhcpLab::Link(0)).server, DhcpLab::kRouter);
  EXPECT_NE(lab_->client()
                .Ip({"-4", "-o", "addr", "show", "dev", DhcpLab::Link(0)})
                .find("inet 10.77.1."),
            std::string::npos);
}

// Another user's process called dhclient, naming the lab's link and files of
// that user's choosing, steers nothing: not what the calls report, not the
// script root runs, not the process root stops, not the file root writes.
TEST_F(EndToEnd, AnotherUsersFakeClientSteersNothing) {
  InstallLiveProvider();
  char pattern[] = "/tmp/lvuser.XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string home = pattern;
  auto asUser = [&](const std::string& path) { ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0); };
  asUser(home);
  chmod(home.c_str(), 0755);
  std::filesystem::copy_file("/bin/sh", home + "/dhclient");  // answers to the name
  asUser(home + "/dhclient");
  std::ofstream(home + "/leases") << "lease {\n  interface \"lvc0\";\n  fixed-address 10.77.1.66;\n"
                                     "  option dhcp-server-identifier 6.6.6.1;\n"
                                     "  option domain-name-servers 6.6.6.6;\n  expire never;\n}\n";
  std::ofstream(home + "/script") << "#!/bin/sh\ntouch " << home << "/script-ran\n";
  chmod((home + "/script").c_str(), 0755);
  test::ChildProcess victim({"sleep", "600"});  // root's, named in the user's pid file
  std::ofstream(home + "/pid") << victim.pid() << "\n";
  std::string secret = lab_->dir() + "/secret";  // root's alone
  std::ofstream(secret) << "root's own\n";
  ASSERT_EQ(symlink(secret.c_str(), (home + "/link").c_str()), 0);
  for (const char* f : {"/leases", "/script", "/pid"}) asUser(home + f);

  auto fake = [&](const std::string& leaseFile) -> test::ChildProcess& {
    return lab_->client().Spawn({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                 home + "/dhclient", "-c", "while :; do sleep 1; done", "-lf",
                                 leaseFile, "-pf", home + "/pid", "-sf", home + "/script",
                                 DhcpLab::Link(0)});
  };
  test::ChildProcess& first = fake(home + "/leases");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  lab_->client().RunInside([&] {
    Seen a = Adapter(DhcpLab::Link(0));
    EXPECT_EQ(a.dhcpServer, DhcpLab::kRouter);
    EXPECT_EQ(DnsServers(a.index), (std::vector<std::string>{DhcpLab::kDns1, DhcpLab::kDns2}));
    IP_ADAPTER_INDEX_MAP entry{};
    ASSERT_TRUE(InterfaceEntry(a.index, entry));
    ASSERT_EQ(IpReleaseAddress(&entry), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(Adapter(DhcpLab::Link(0)).address, "0.0.0.0");  // root's client released
  });
  EXPECT_FALSE(std::filesystem::exists(home + "/script-ran"));
  EXPECT_TRUE(victim.Running());
  EXPECT_TRUE(first.Running());

  first.Stop();
  fake(home + "/link");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  lab_->client().RunInside([&] {
    Seen a = Adapter(DhcpLab::Link(0));
    IP_ADAPTER_INDEX_MAP entry{};
    ASSERT_TRUE(InterfaceEntry(a.index, entry));
    ASSERT_EQ(IpRenewAddress(&entry), static_cast<DWORD>(NO_ERROR));
    EXPECT_TRUE(InRange(Adapter(DhcpLab::Link(0)).address));
  });
  EXPECT_EQ(FileText(secret), "root's own\n");
  EXPECT_FALSE(std::filesystem::exists(home + "/script-ran"));
  lab_->StopClients();
  std::filesystem::remove_all(home);
}

TEST_F(EndToEnd, ALinkThatVanishesIsAFailureNotACrash) {
  DhclientClient client(lab_->ClientOptions());
  lab_->StopClients();
  lab_->client().DeleteLink(DhcpLab::Link(0));
  EXPECT_EQ(client.Renew(DhcpLab::Link(0)), static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
  EXPECT_EQ(IpRenewAddress(nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
}  // namespace lorvane::iphlp
