// The live provider against links that each test makes in a network
// namespace of its own, queried from a thread inside it through the real
// GetAdaptersInfo.
#include "platform/iphlp/live_provider.h"

#include <net/if_arp.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <optional>
#include <set>
#include <thread>

#include "platform/iphlp/dhcp/dhclient_client.h"

#include "iphlp_test_util.h"
#include "support/netns.h"

namespace lorvane::iphlp {
namespace {

using test::NetNamespace;
using testing::Texts;

// One query, made on the calling thread, with its records by name.
struct Adapters : testing::AdaptersQuery {
  Adapters() {
    for (const IP_ADAPTER_INFO* a : records)
      EXPECT_TRUE(byName.emplace(a->AdapterName, a).second) << "twice: " << a->AdapterName;
  }
  const IP_ADAPTER_INFO& at(const std::string& name) const { return *byName.at(name); }
  std::map<std::string, const IP_ADAPTER_INFO*> byName;
};

// The port an autobound netlink socket of this process takes first in the
// calling thread's namespace, if no socket holds it.
std::optional<std::uint32_t> FreeAutoboundPort() {
  sockaddr_nl self{};
  self.nl_family = AF_NETLINK;
  self.nl_pid = static_cast<std::uint32_t>(getpid());
  int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
  const bool free = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&self), sizeof self) == 0;
  if (fd >= 0) ::close(fd);
  return free ? std::optional<std::uint32_t>(self.nl_pid) : std::nullopt;
}

// Until `done`, sends what looks like the kernel's first link of a first
// dump to `port`: only root can, and no query may believe it. Returns how
// many reached a socket.
int ForgeLinkReplies(std::uint32_t port, const std::atomic<bool>& done) {
  sockaddr_nl to{};
  to.nl_family = AF_NETLINK;
  to.nl_pid = port;
  int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
  struct {
    nlmsghdr header;
    ifinfomsg info;
    rtattr name;
    char text[8];
  } forged{};
  forged.header = {sizeof forged, RTM_NEWLINK, NLM_F_MULTI, 1, 0};
  forged.info.ifi_type = ARPHRD_ETHER;
  forged.info.ifi_index = 4242;
  forged.info.ifi_flags = IFF_UP | IFF_BROADCAST;
  forged.name = {sizeof forged.name + sizeof forged.text, IFLA_IFNAME};
  std::memcpy(forged.text, "forged0", 8);
  int delivered = 0;
  const timespec pause{0, 50000};  // few enough not to fill the socket
  while (!done) {
    delivered += ::sendto(fd, &forged, sizeof forged, MSG_DONTWAIT,
                          reinterpret_cast<sockaddr*>(&to), sizeof to) == sizeof forged;
    nanosleep(&pause, nullptr);
  }
  ::close(fd);
  return delivered;
}

// One world read while links come and go between a query's two calls, as
// on a busy host: every query succeeds whole, and shows the steady link
// exactly, a churned link with its own address or none, and no loopback.
// With no DHCP client: what a client and a resolver file add is the DHCP
// lab's tests' (tests/dhcp), over real clients.
TEST(LiveProvider, EveryQueryIsWholeAndExactWhileLinksComeAndGo) {
  LORVANE_REQUIRE_NETNS();
  const auto bare = std::make_shared<LiveProvider>(nullptr, "");
  const auto old = SetProvider(bare);
  NetNamespace ns("lvlive");
  // The link's own end of a point-to-point address, not its peer; gateways
  // of default routes in the main table by metric, not of other routes or
  // tables.
  std::vector<std::string> world = {
      "link add lvl0 type veth peer name lvl1", "link set lvl0 address 02:1a:2b:3c:4d:5e",
      "address add 10.9.0.2/24 dev lvl0", "address add 172.20.1.2/16 dev lvl0",
      "link set lvl0 up", "link set lvl1 up", "route add default via 10.9.0.1 dev lvl0",
      "address add 10.5.0.1 peer 10.5.0.9 dev lvl0",
      "route add default via 172.20.0.3 dev lvl0 metric 5",
      "route add 10.66.0.0/16 via 10.9.0.7 dev lvl0",
      "route add default via 172.20.0.8 dev lvl0 table 100", "link add lvbr0 type bridge",
      "link add lvd0 type veth peer name -r"};
  for (int i = 0; i < 100; ++i) {
    std::string n = std::to_string(i);
    world.push_back("link add lvm" + n + "a type veth peer name lvm" + n + "b");
  }
  ns.IpBatch(world);
  const std::string steady =
      std::to_string(ns.IfIndex("lvl0")) +
      " lvl0 [Virtual Ethernet Adapter] type 6 mac 021a2b3c4d5e0000/6"
      " ip 10.9.0.2/255.255.255.0 172.20.1.2/255.255.0.0 10.5.0.1/255.255.255.255"
      " gw 10.9.0.1/255.255.255.255 172.20.0.3/255.255.255.255"
      " server / dhcp 0 lease 0 0 wins 0 [] []";

  const std::optional<std::uint32_t> port = ns.RunInside(FreeAutoboundPort);
  ASSERT_TRUE(port);
  std::atomic<bool> done{false};
  std::thread churn([&] {
    for (int round = 0; !done; ++round) {
      std::string lines;
      for (int i = 0; i < 8; ++i) {
        const std::string n = std::to_string(i);
        lines += round % 2 ? "link del lvc" + n + "a\n"
                           : "link add lvc" + n + "a type veth peer name lvc" + n + "b\n" +
                                 "address add 10.7." + n + ".1/24 dev lvc" + n + "a\n";
      }
      // A half-applied round is churn too: no check of the outcome.
      test::RunCommand({"ip", "-n", ns.name(), "-batch", "-"}, std::chrono::seconds(120), lines);
    }
  });
  std::future<int> forger = std::async(std::launch::async, [&] {
    return ns.RunInside([&] { return ForgeLinkReplies(*port, done); });
  });
  constexpr int kQueries = 300;
  int failed = 0;
  std::string errors;
  ns.RunInside([&] {
    for (int i = 0; i < kQueries; ++i) {
      Adapters q;
      if (q.error != NO_ERROR) {
        ++failed;
        errors += " " + std::to_string(q.first) + "/" + std::to_string(q.error);
        continue;
      }
      ASSERT_TRUE(q.byName.count("lvl0"));
      EXPECT_EQ(q.Line(q.at("lvl0")), steady);
      EXPECT_STREQ(q.at("lvbr0").Description, "Bridge Adapter");
      EXPECT_FALSE(q.byName.count("lo"));
      EXPECT_FALSE(q.byName.count("forged0"));
      std::set<DWORD> indexes;
      for (const IP_ADAPTER_INFO* a : q.records) {
        const std::string name = a->AdapterName, first = a->IpAddressList.IpAddress.String;
        EXPECT_TRUE(indexes.insert(a->Index).second) << name;
        EXPECT_NE(a->Description[0], '\0') << name;
        if (name.size() == 5 && name.rfind("lvc", 0) == 0 && name[4] == 'a' && first != "0.0.0.0") {
          EXPECT_EQ(first, "10.7." + name.substr(3, 1) + ".1") << name;
        }
      }
    }
  });
  done = true;
  churn.join();
  EXPECT_GT(forger.get(), 0) << "no forged answer reached a query";
  EXPECT_EQ(failed, 0) << "of " << kQueries << " two-call queries; first/second:" << errors;

  // A name that could pass for an option is refused before any client is
  // asked; a good one reaches the (missing) client.
  const ULONG plain = ns.IfIndex("lvl0"), dash = ns.IfIndex("-r");
  ns.RunInside([&] {
    ULONG size = 0;
    EXPECT_EQ(GetPerAdapterInfo(plain + 1000, nullptr, &size), DWORD{ERROR_NO_DATA});
    EXPECT_EQ(bare->Release(plain), DWORD{ERROR_NOT_SUPPORTED});
    EXPECT_EQ(bare->Release(dash), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(bare->Renew(dash), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(bare->Release(plain + 1000), DWORD{ERROR_NOT_FOUND});
    EXPECT_EQ(bare->Release(1), DWORD{ERROR_NOT_FOUND});  // loopback
  });

  // The DNS servers a list query keeps for the details after it are its own
  // namespace's: a dhclient runs for lvl0 here with its own lease file, and
  // lvl0 of another namespace has only the lease directory's.
  NetNamespace other("lvlive");
  other.AddVethPair("lvl0", "lvl1");
  char folder[] = "/tmp/lvlive.XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string dir = folder;
  std::filesystem::create_directories(dir + "/leases");
  for (const auto& [file, dns] : {std::pair<std::string, std::string>{"own", "10.9.0.53"},
                                  {"leases/dhclient.lvl0", "10.8.0.53"}})
    std::ofstream(dir + "/" + file + ".leases") << "lease {\n  interface \"lvl0\";\n"
        << "  fixed-address 10.9.0.2;\n  option domain-name-servers " << dns
        << ";\n  expire never;\n}\n";
  std::ofstream(dir + "/dhclient.conf") << "interface \"lvl0\" { }\n";
  DhclientOptions options;
  options.program = LORVANE_IDLE_CLIENT;
  options.leaseDirs = {dir + "/leases"};
  options.configFiles = {dir + "/dhclient.conf"};
  options.interfacesFile = dir + "/interfaces";
  LiveProvider live(std::make_unique<DhclientClient>(options), dir + "/resolv.conf");
  ns.Spawn({LORVANE_IDLE_CLIENT, "-4", "-lf", dir + "/own.leases", "lvl0"}, dir + "/ready");
  for (int i = 0; i < 100 && std::filesystem::file_size(dir + "/ready") == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::vector<AdapterRecord> records;
  Texts there, here;
  ns.RunInside([&] { EXPECT_EQ(live.Adapters(records), DWORD{NO_ERROR}); });
  const ULONG elsewhere = other.IfIndex("lvl0");
  other.RunInside([&] { live.DnsServers(elsewhere, there); });
  ns.RunInside([&] { live.DnsServers(plain, here); });
  EXPECT_EQ(there, Texts{"10.8.0.53"});
  EXPECT_EQ(here, Texts{"10.9.0.53"});
  std::filesystem::remove_all(dir);
  SetProvider(old);
}

}  // namespace
}  // namespace lorvane::iphlp
