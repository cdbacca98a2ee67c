// The IP Helper calls against a real DHCP server, in network namespaces of the
// test's own, over a lab link that a real client manages: dhclient, or a
// daemon with files of its own (lab_daemons.h). Beside a daemon, dhclient is
// asked first and still has an old lease and configuration for the link: the
// link stays the daemon's, before a release and after it.
#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <thread>

#include "dhcp_lab.h"
#include "iphlp/iphlp_test_util.h"
#include "lab_daemons.h"
#include "platform/iphlp/dhcp/dhcpcd_client.h"
#include "platform/iphlp/dhcp/managing_client.h"
#include "platform/iphlp/dhcp/network_manager_client.h"
#include "platform/iphlp/dhcp/networkd_client.h"
#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/live_provider.h"
#include "support/process.h"

namespace lorvane::iphlp {
namespace {

using test::DhcpLab;
using test::FileText;

// The adapter of that name (null when there is none) in one GetAdaptersInfo
// query, kept with the query's buffer.
struct Seen {
  std::shared_ptr<testing::AdaptersQuery> query;
  const IP_ADAPTER_INFO* a = nullptr;
  const IP_ADAPTER_INFO* operator->() const {
    if (!a) throw std::runtime_error("no such adapter");
    return a;
  }
  std::string address() const { return (*this)->IpAddressList.IpAddress.String; }
};

Seen Adapter(const std::string& name) {
  Seen seen{std::make_shared<testing::AdaptersQuery>()};
  EXPECT_EQ(seen.query->error, DWORD{NO_ERROR});
  for (const IP_ADAPTER_INFO* a : seen.query->records)
    if (name == a->AdapterName) seen.a = a;
  return seen;
}

// GetPerAdapterInfo's DNS servers; empty when the call fails.
std::vector<std::string> DnsServers(DWORD index) {
  ULONG size = 0;
  GetPerAdapterInfo(index, nullptr, &size);
  testing::CallerBuffer buffer(size);
  auto* info = buffer.as<IP_PER_ADAPTER_INFO>();
  if (GetPerAdapterInfo(index, info, &size) != NO_ERROR) return {};
  return testing::Addresses(buffer, info->DnsServerList);
}

// IpReleaseAddress or IpRenewAddress for the adapter of that name (index 0,
// which no adapter has, when there is none).
DWORD LeaseCall(DWORD (*call)(PIP_ADAPTER_INDEX_MAP), const std::string& name) {
  const Seen seen = Adapter(name);
  IP_ADAPTER_INDEX_MAP entry{seen.a ? seen->Index : 0, {}};
  return call(&entry);
}

// What every client must show of a lab link: holding a lease from the lab's
// server, whose length may be off by `slack` seconds where a client keeps its
// times on another clock.
void ExpectLabLease(const Seen& a, int slack = 0) {
  ASSERT_TRUE(a.a);
  EXPECT_EQ(a->DhcpEnabled, 1u);
  EXPECT_EQ(a.address().rfind("10.77.1.", 0), 0u) << a.address();
  EXPECT_STREQ(a->GatewayList.IpAddress.String, DhcpLab::kRouter);
  EXPECT_STREQ(a->DhcpServer.IpAddress.String, DhcpLab::kServer);
  EXPECT_NEAR(a->LeaseExpires - a->LeaseObtained, DhcpLab::kLeaseSeconds, slack);
  EXPECT_EQ(DnsServers(a->Index), (std::vector<std::string>{DhcpLab::kDns1, DhcpLab::kDns2}));
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string why = DhcpLab::UnavailableReason(); !why.empty())
      GTEST_SKIP() << "needs a DHCP lab: " << why;
    hostResolvConf_ = FileText("/etc/resolv.conf");
    lab_ = std::make_unique<DhcpLab>(2);
    std::ofstream(lab_->dir() + "/resolv.conf") << "nameserver 10.99.0.1\n";
  }
  void TearDown() override {
    SetProvider(nullptr);
    if (!lab_) return;
    lab_.reset();
    EXPECT_EQ(FileText("/etc/resolv.conf"), hostResolvConf_);
  }

  // dhclient, and the daemon if there is one, as the system asks them.
  void Provide(std::unique_ptr<DhcpClient> daemon) {
    DhclientOptions dhclient = lab_->ClientOptions();
    dhclient.netns.clear();  // the calling thread's: under dhcpcd /run/netns is not the host's
    std::vector<std::unique_ptr<DhcpClient>> clients;
    if (daemon) {
      // Left from years of ifupdown: a lease valid until 2099 with one DNS
      // server and no WINS, and the configuration that gave dhclient the link.
      std::ofstream(lab_->dir() + "/dhclient.lvc0.leases")
          << "lease {\n  interface \"lvc0\";\n  fixed-address 10.77.1.9;\n"
             "  option dhcp-server-identifier 10.77.0.66;\n"
             "  option domain-name-servers 10.77.0.67;\n  option dhcp-lease-time 600;\n"
             "  expire 4 2099/12/31 10:00:00;\n}\n";
      std::ofstream(lab_->dir() + "/old-dhclient.conf") << "interface \"lvc0\" { }\n";
      dhclient.configFiles = {lab_->dir() + "/old-dhclient.conf"};
      clients.push_back(std::move(daemon));
    }
    clients.insert(clients.begin(), std::make_unique<DhclientClient>(dhclient));
    SetProvider(std::make_shared<LiveProvider>(std::make_unique<ManagingClient>(std::move(clients)),
                                               lab_->dir() + "/resolv.conf"));
  }

  // Run in the lab. Link 0 holds the lab's lease, obtained about now
  // (`slack` as ExpectLabLease's), then released, renewed, and renewed while
  // held (one more acknowledgement from the server). Link 1 is no client's:
  // not DHCP, nothing to renew. WINS servers only where the client asks for
  // them. Keeps the first view in first_.
  void Walk(int slack, double obtainedWithin, bool wins) {
    first_ = Adapter(link_);
    ExpectLabLease(first_, slack);  // the lease's DNS servers, not the resolver file's
    EXPECT_NEAR(static_cast<double>(first_->LeaseObtained), static_cast<double>(started_),
                obtainedWithin);
    EXPECT_EQ(first_->HaveWins, wins);
    if (wins) {
      EXPECT_STREQ(first_->PrimaryWinsServer.IpAddress.String, DhcpLab::kWins1);
      EXPECT_STREQ(first_->SecondaryWinsServer.IpAddress.String, DhcpLab::kWins2);
    }
    EXPECT_EQ(Adapter(DhcpLab::Link(1))->DhcpEnabled, 0u);
    EXPECT_EQ(LeaseCall(IpRenewAddress, DhcpLab::Link(1)), static_cast<DWORD>(ERROR_NOT_FOUND));

    ASSERT_EQ(LeaseCall(IpReleaseAddress, link_), static_cast<DWORD>(NO_ERROR));
    Seen released = Adapter(link_);
    // NetworkManager lets the address go a moment after the call.
    for (int i = 0; i < 20 && released.address() != "0.0.0.0"; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      released = Adapter(link_);
    }
    // Still configured for DHCP, with nothing of the lease; the resolver file
    // speaks for DNS.
    EXPECT_EQ(released.address(), "0.0.0.0");
    EXPECT_EQ(released->DhcpEnabled, 1u);
    EXPECT_STREQ(released->DhcpServer.IpAddress.String, "");
    EXPECT_EQ(released->LeaseExpires, 0);
    EXPECT_FALSE(released->HaveWins);
    EXPECT_EQ(DnsServers(released->Index), std::vector<std::string>{"10.99.0.1"});
    EXPECT_EQ(LeaseCall(IpReleaseAddress, link_), static_cast<DWORD>(NO_ERROR));  // nothing held

    ASSERT_EQ(LeaseCall(IpRenewAddress, link_), static_cast<DWORD>(NO_ERROR));
    // Straight after the call: a renewal returns once the link shows its lease.
    Seen renewed = Adapter(link_);
    ExpectLabLease(renewed, slack);
    EXPECT_GE(renewed->LeaseObtained, first_->LeaseObtained);
    // A held lease renewed later than the slack allows: the call returns with
    // the new acknowledgement's times, not the old ones nor none.
    const std::string log = lab_->dir() + "/dnsmasq.log";
    const std::size_t logged = FileText(log).size();
    std::this_thread::sleep_for(std::chrono::milliseconds(1100 * (1 + slack)));
    const std::time_t asked = std::time(nullptr);
    // The server silent for a second: the old lease does not end the call.
    std::atomic<bool> answering = false;
    lab_->HoldServer(true);
    std::thread resume([&] {
      std::this_thread::sleep_for(std::chrono::seconds(1));
      answering = true;
      lab_->HoldServer(false);
    });
    const DWORD renewedAgain = LeaseCall(IpRenewAddress, link_);
    EXPECT_TRUE(answering);
    resume.join();
    ASSERT_EQ(renewedAgain, static_cast<DWORD>(NO_ERROR));
    Seen again = Adapter(link_);
    ExpectLabLease(again, slack);
    EXPECT_GE(again->LeaseObtained + slack, asked);
    EXPECT_GE(again->LeaseExpires + slack, asked + DhcpLab::kLeaseSeconds);
    EXPECT_NE(FileText(log).find("DHCPACK", logged), std::string::npos);
  }

  const std::string link_ = DhcpLab::Link(0);
  const std::time_t started_ = std::time(nullptr);
  std::unique_ptr<DhcpLab> lab_;
  std::string hostResolvConf_;
  Seen first_;
};

TEST_F(EndToEnd, Dhclient) {
  lab_->StartClient(0);
  DhclientOptions hostOnly;
  hostOnly.leaseDirs = {};
  hostOnly.configFiles = {};
  hostOnly.interfacesFile = {};
  // The same link name in the host's namespace is not the lab's.
  EXPECT_FALSE(DhclientClient(hostOnly).State(link_).enabled);

  Provide(nullptr);
  lab_->client().RunInside([&] {
    Walk(0, 5.0, true);
    // Details right after the list take the list's DNS servers, once: the
    // next call asks the client again, which finds the newest block.
    const DWORD index = Adapter(link_)->Index;
    std::ofstream(lab_->dir() + "/dhclient." + link_ + ".leases", std::ios::app)
        << "lease {\n  interface \"" << link_ << "\";\n  fixed-address 10.77.1.99;\n"
        << "  option domain-name-servers 10.77.0.99;\n  expire never;\n}\n";
    EXPECT_EQ(DnsServers(index), (std::vector<std::string>{DhcpLab::kDns1, DhcpLab::kDns2}));
    EXPECT_EQ(DnsServers(index), std::vector<std::string>{"10.77.0.99"});
    // Renewing while dhclient ran replaced that client; the renewed client is
    // a real one: a release finds and stops it, and the details straight
    // after it are not the list's.
    EXPECT_EQ(lab_->RunningClients(), 1);
    ASSERT_EQ(LeaseCall(IpReleaseAddress, link_), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(lab_->RunningClients(), 0);
    EXPECT_EQ(DnsServers(index), std::vector<std::string>{"10.99.0.1"});
    // Still in the table, with nothing left to give up.
    EXPECT_EQ(LeaseCall(IpReleaseAddress, link_), static_cast<DWORD>(NO_ERROR));
  });
}

TEST_F(EndToEnd, Dhcpcd) {
  if (std::string why = test::LabDhcpcd::UnavailableReason(); !why.empty()) GTEST_SKIP() << why;
  test::LabDhcpcd dhcpcd(*lab_, 1, LORVANE_PRIVATE_MOUNTS);
  Provide(std::make_unique<DhcpcdClient>());
  dhcpcd.InLab([&] {
    Walk(0, 5.0, true);
    // Its daemon gone, the lease file it leaves names the link but holds no lease.
    test::RunCommand(dhcpcd.Inside({"/usr/sbin/dhcpcd", "-4", "-x", link_}));
    const DhcpState left = DhcpcdClient().State(link_);
    EXPECT_TRUE(left.enabled);
    EXPECT_EQ(left.leaseExpires, 0);
  });
  EXPECT_EQ(lab_->RunningClients(), 0);  // no dhclient beside the daemon
  EXPECT_NE(FileText(lab_->dir() + "/dnsmasq.log").find("DHCPRELEASE"), std::string::npos);
}

TEST_F(EndToEnd, NetworkManager) {
  if (std::string why = test::PrivateNetworkManager::UnavailableReason(); !why.empty())
    GTEST_SKIP() << why;
  auto nm = test::StartLabNetworkManager(*lab_, 1, LORVANE_PRIVATE_MOUNTS);
  NetworkManagerOptions options;
  options.busAddress = nm->BusAddress();
  // An older profile for the link, never used, without the default route: a
  // renewal after the release takes the one used last.
  test::CommandResult older =
      nm->Nmcli({"connection", "add", "type", "ethernet", "ifname", link_, "con-name", "older",
                 "autoconnect", "no", "ipv4.never-default", "yes", "ipv6.method", "disabled"});
  ASSERT_EQ(older.exitCode, 0) << older.output;
  Provide(std::make_unique<NetworkManagerClient>(options));
  lab_->client().RunInside([&] { Walk(0, 5.0, false); });  // it asks for no NetBIOS servers
  EXPECT_EQ(lab_->RunningClients(), 0);
  // The daemon manages the lab's namespace, not the caller's.
  EXPECT_FALSE(NetworkManagerClient(options).State(link_).enabled);
}

TEST_F(EndToEnd, Networkd) {
  if (std::string why = test::LabNetworkd::UnavailableReason(); !why.empty()) GTEST_SKIP() << why;
  test::LabNetworkd networkd(*lab_, 1, true, LORVANE_PRIVATE_MOUNTS);
  NetworkdOptions options;
  options.busAddress = networkd.BusAddress();
  Provide(std::make_unique<NetworkdClient>(options));
  lab_->client().RunInside([&] {
    Walk(1, 15.0, false);  // its expiry is on the boot clock; it keeps no NetBIOS servers
    // A lease file of another address says nothing of when the link's began
    // (written again should networkd save its own meanwhile).
    const std::string file =
        lab_->dir() + "/networkd/run/netif/leases/" + std::to_string(first_->Index);
    const std::string stale = "ADDRESS=10.77.1.250\nLIFETIME=600\n";
    LEASE_TIME obtained = -1;
    for (int i = 0; i < 10 && FileText(file) != stale; ++i) {
      std::ofstream(file) << stale;
      obtained = Adapter(link_)->LeaseObtained;
    }
    EXPECT_EQ(obtained, 0);
  });
  EXPECT_EQ(lab_->RunningClients(), 0);
  EXPECT_FALSE(NetworkdClient(options).State(link_).enabled);
}

}  // namespace
}  // namespace lorvane::iphlp
