// systemd-networkd against the lab's dnsmasq, with a bus and configuration of
// the test's own: the test's folders stand for /run/systemd and
// /etc/systemd/network in a mount namespace of its own, and /sys is
// read-only there (there is no udev to wait for).
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <thread>

#include "dhcp_lab.h"
#include "ip_helper_view.h"
#include "platform/iphlp/dhcp/managing_client.h"
#include "platform/iphlp/dhcp/networkd_client.h"
#include "platform/iphlp/live_provider.h"

namespace lorvane::iphlp {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::DhcpLab;

constexpr const char* kNetworkd = "/lib/systemd/systemd-networkd";

std::size_t Count(const std::string& path, const std::string& word) {
  std::ifstream in(path);
  std::string line;
  std::size_t n = 0;
  while (std::getline(in, line)) n += line.find(word) != std::string::npos;
  return n;
}

class Networkd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string why = DhcpLab::UnavailableReason(); !why.empty())
      GTEST_SKIP() << "needs a DHCP lab: " << why;
    for (const char* program : {kNetworkd, "/usr/bin/dbus-daemon"}) {
      if (!fs::exists(program)) GTEST_SKIP() << program << " is not installed";
    }
    lab_ = std::make_unique<DhcpLab>(2);
    const std::string f = lab_->dir() + "/networkd";
    for (const char* sub : {"run/network", "etc"}) fs::create_directories(f + "/" + sub);
    // networkd reaches the bus as the user it drops to.
    fs::permissions(lab_->dir(), fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add);
    std::ofstream(f + "/run/network/50-lab.network")
        << "[Match]\nName=" << DhcpLab::Link(0) << "\n[Network]\nDHCP=ipv4\nLinkLocalAddressing=no\n";
    // networkd's, but not with DHCP.
    std::ofstream(f + "/run/network/60-static.network")
        << "[Match]\nName=" << DhcpLab::Link(1) << "\n[Network]\nDHCP=ipv6\nAddress=10.77.9.9/16\n";
    std::ofstream(f + "/bus.conf")
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>system</type><listen>unix:path="
        << f << "/bus</listen><auth>EXTERNAL</auth><policy context=\"default\">"
        << "<allow user=\"*\"/><allow own=\"*\"/><allow send_destination=\"*\"/>"
           "<allow receive_sender=\"*\"/></policy></busconfig>\n";
    bus_ = &lab_->client().Spawn({LORVANE_PRIVATE_MOUNTS, f + "/run=/run/systemd",
                                  f + "/etc=/etc/systemd/network", "ro=/sys", "--", "dbus-daemon",
                                  "--config-file=" + f + "/bus.conf", "--nofork"},
                                 f + "/bus.log");
    busAddress_ = "unix:path=" + f + "/bus";
    for (int i = 0; i < 50 && !fs::exists(f + "/bus"); ++i) std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(fs::exists(f + "/bus")) << "the bus did not start";
    networkd_ = std::make_unique<test::ChildProcess>(
        std::vector<std::string>{"nsenter", "-t", std::to_string(bus_->pid()), "-m", "-n", "--",
                                 "env", "DBUS_SYSTEM_BUS_ADDRESS=" + busAddress_, kNetworkd},
        f + "/networkd.log");
    for (int i = 0; i < 100 && !Bound(); ++i) std::this_thread::sleep_for(100ms);
    std::ifstream log(f + "/networkd.log");
    ASSERT_TRUE(Bound()) << "networkd got no lease: " << log.rdbuf();
  }
  void TearDown() override {
    SetProvider(nullptr);
    networkd_.reset();
  }
  bool Bound() const {
    return lab_->client()
               .Ip({"-4", "-o", "addr", "show", "dev", DhcpLab::Link(0)})
               .find("inet 10.77.1.") != std::string::npos;
  }

  std::unique_ptr<DhcpLab> lab_;
  test::ChildProcess* bus_ = nullptr;
  std::string busAddress_;
  std::unique_ptr<test::ChildProcess> networkd_;
};

TEST_F(Networkd, TheIpHelperShowsReleasesAndRenewsTheLeaseThroughNetworkd) {
  const std::time_t started = std::time(nullptr);
  NetworkdOptions options;
  options.busAddress = busAddress_;
  std::vector<std::unique_ptr<DhcpClient>> clients;
  clients.push_back(std::make_unique<NetworkdClient>(options));
  clients.push_back(std::make_unique<DhclientClient>(lab_->ClientOptions()));
  SetProvider(std::make_shared<LiveProvider>(std::make_unique<ManagingClient>(std::move(clients)),
                                             lab_->dir() + "/no-resolv.conf"));
  const std::string link = DhcpLab::Link(0);
  lab_->client().RunInside([&] {
    test::Seen a = test::Adapter(link);
    ASSERT_TRUE(a.found);
    EXPECT_EQ(a.dhcpEnabled, 1u);
    EXPECT_EQ(a.address.rfind("10.77.1.", 0), 0u) << a.address;
    EXPECT_EQ(a.gateway, DhcpLab::kRouter);
    EXPECT_EQ(a.dhcpServer, DhcpLab::kRouter);
    EXPECT_NEAR(a.expires - a.obtained, DhcpLab::kLeaseSeconds, 1);
    EXPECT_NEAR(static_cast<double>(a.obtained), static_cast<double>(started), 15.0);
    EXPECT_FALSE(a.haveWins);  // networkd keeps no NetBIOS name servers
    EXPECT_EQ(test::DnsServers(a.index),
              (std::vector<std::string>{DhcpLab::kDns1, DhcpLab::kDns2}));
    EXPECT_EQ(test::Adapter(DhcpLab::Link(1)).dhcpEnabled, 0u);
    EXPECT_EQ(test::Renew(DhcpLab::Link(1)), static_cast<DWORD>(ERROR_NOT_FOUND));

    ASSERT_EQ(test::Release(link), static_cast<DWORD>(NO_ERROR));
    test::Seen released = test::Adapter(link);
    EXPECT_EQ(released.address, "0.0.0.0");
    EXPECT_EQ(released.dhcpEnabled, 1u);
    EXPECT_EQ(released.dhcpServer, "");
    EXPECT_EQ(released.expires, 0);
    EXPECT_EQ(test::DnsServers(a.index), (std::vector<std::string>{""}));

    ASSERT_EQ(test::Renew(link), static_cast<DWORD>(NO_ERROR));
    test::Seen renewed = test::Adapter(link);
    EXPECT_EQ(renewed.address.rfind("10.77.1.", 0), 0u) << renewed.address;
    EXPECT_EQ(renewed.dhcpServer, DhcpLab::kRouter);
    EXPECT_NEAR(renewed.expires - renewed.obtained, DhcpLab::kLeaseSeconds, 1);
    EXPECT_EQ(test::DnsServers(a.index),
              (std::vector<std::string>{DhcpLab::kDns1, DhcpLab::kDns2}));
    // A link that holds its lease is renewed by networkd's own call: one more
    // acknowledgement from the server.
    const std::size_t acks = Count(lab_->dir() + "/dnsmasq.log", "DHCPACK");
    ASSERT_EQ(test::Renew(link), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(test::Adapter(link).dhcpServer, DhcpLab::kRouter);
    EXPECT_GT(Count(lab_->dir() + "/dnsmasq.log", "DHCPACK"), acks);
  });
  EXPECT_EQ(lab_->RunningClients(), 0);  // no dhclient beside networkd
  EXPECT_FALSE(NetworkdClient(options).State(link).enabled);  // another namespace's daemon
}

}  // namespace
}  // namespace lorvane::iphlp
