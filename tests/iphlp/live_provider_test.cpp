// The live provider against links that each test makes in a network
// namespace of its own, queried from a thread inside it through the real
// GetAdaptersInfo and GetPerAdapterInfo.
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include <unistd.h>

#include "iphlp_test_util.h"
#include "platform/iphlp/live_provider.h"
#include "support/netns.h"

namespace lorvane::iphlp {
namespace {

using test::NetNamespace;
using testing::Addresses;
using testing::CallerBuffer;
using testing::Masks;
using testing::Walk;

// What the DHCP client behind the provider says, and what it was asked.
struct DhcpScript {
  std::mutex mutex;
  std::map<std::string, DhcpState> states;
  std::vector<std::string> calls;
};

class ScriptedDhcpClient : public DhcpClient {
 public:
  explicit ScriptedDhcpClient(std::shared_ptr<DhcpScript> script) : script_(std::move(script)) {}
  DhcpState State(const std::string& name) override {
    std::lock_guard lock(script_->mutex);
    auto it = script_->states.find(name);
    return it == script_->states.end() ? DhcpState{} : it->second;
  }
  DWORD Release(const std::string& name) override { return Record("release " + name); }
  DWORD Renew(const std::string& name) override { return Record("renew " + name); }

 private:
  DWORD Record(std::string call) {
    std::lock_guard lock(script_->mutex);
    script_->calls.push_back(std::move(call));
    return NO_ERROR;
  }
  std::shared_ptr<DhcpScript> script_;
};

// A copy of each record of one successful query, made inside the
// namespace's thread.
struct Adapter {
  DWORD index;
  std::string name, description;
  UINT type, dhcpEnabled, addressLength;
  std::vector<BYTE> mac;
  std::vector<std::string> addresses, masks, gateways, gatewayMasks;
  std::string dhcpServer, primaryWins, secondaryWins;
  BOOL haveWins;
  LEASE_TIME obtained, expires;
};

DWORD QueryAdapters(std::map<std::string, Adapter>& out) {
  ULONG size = 0;
  GetAdaptersInfo(nullptr, &size);
  CallerBuffer buffer(size);
  DWORD err = GetAdaptersInfo(buffer.as<IP_ADAPTER_INFO>(), &size);
  if (err != NO_ERROR) return err;
  EXPECT_TRUE(buffer.GuardUntouched());
  for (const IP_ADAPTER_INFO* a : Walk(buffer, buffer.as<IP_ADAPTER_INFO>())) {
    Adapter c{a->Index, a->AdapterName, a->Description, a->Type, a->DhcpEnabled, a->AddressLength,
              std::vector<BYTE>(a->Address, a->Address + std::min<UINT>(a->AddressLength, 8)),
              Addresses(a->IpAddressList), Masks(a->IpAddressList), Addresses(a->GatewayList),
              Masks(a->GatewayList), a->DhcpServer.IpAddress.String, a->PrimaryWinsServer.IpAddress.String,
              a->SecondaryWinsServer.IpAddress.String, a->HaveWins, a->LeaseObtained, a->LeaseExpires};
    EXPECT_TRUE(out.emplace(c.name, c).second) << "twice: " << c.name;
  }
  return NO_ERROR;
}

std::vector<std::string> QueryDns(ULONG index, DWORD& err) {
  ULONG size = 0;
  GetPerAdapterInfo(index, nullptr, &size);
  CallerBuffer buffer(size);
  err = GetPerAdapterInfo(index, buffer.as<IP_PER_ADAPTER_INFO>(), &size);
  return err == NO_ERROR ? Addresses(buffer.as<IP_PER_ADAPTER_INFO>()->DnsServerList) : std::vector<std::string>{};
}

class LiveProviderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LORVANE_REQUIRE_NETNS();
    std::string pattern = (std::filesystem::temp_directory_path() / "lvresolv-XXXXXX").string();
    int fd = mkstemp(pattern.data());
    ASSERT_GE(fd, 0);
    close(fd);
    resolvConf_ = pattern;
    WriteResolvConf("nameserver 10.53.0.1\nnameserver 2001:db8::53\nnameserver 10.53.0.2\n");
    live_ = std::make_shared<LiveProvider>(std::make_unique<ScriptedDhcpClient>(dhcp_), resolvConf_);
    old_ = SetProvider(live_);
    installed_ = true;
    ns_ = std::make_unique<NetNamespace>("lvlive");
  }
  void TearDown() override {
    ns_.reset();
    if (installed_) SetProvider(old_);
    if (!resolvConf_.empty()) std::filesystem::remove(resolvConf_);
  }
  void WriteResolvConf(const std::string& text) { std::ofstream(resolvConf_) << text; }

  std::shared_ptr<DhcpScript> dhcp_ = std::make_shared<DhcpScript>();
  std::shared_ptr<LiveProvider> live_;
  std::unique_ptr<NetNamespace> ns_;
  std::string resolvConf_;

 private:
  std::shared_ptr<Provider> old_;
  bool installed_ = false;
};

TEST_F(LiveProviderTest, LinksAddressesAndDefaultRouteOfTheNamespace) {
  ns_->AddVethPair("lvl0", "lvl1");
  ns_->SetHardwareAddress("lvl0", "02:1a:2b:3c:4d:5e");
  ns_->AddAddress("lvl0", "10.9.0.2/24");
  ns_->AddAddress("lvl0", "172.20.1.2/16");
  ns_->SetUp("lvl0");
  ns_->SetUp("lvl1");
  ns_->AddDefaultRoute("10.9.0.1", "lvl0");
  ns_->AddLink("lvbr0", "bridge");

  std::map<std::string, Adapter> adapters;
  ASSERT_EQ(ns_->RunInside([&] { return QueryAdapters(adapters); }), static_cast<DWORD>(NO_ERROR));
  ASSERT_EQ(adapters.size(), 3u) << "the loopback is left out";

  const Adapter& l0 = adapters.at("lvl0");
  EXPECT_EQ(l0.index, ns_->IfIndex("lvl0"));
  EXPECT_EQ(l0.addresses, (std::vector<std::string>{"10.9.0.2", "172.20.1.2"}));
  EXPECT_EQ(l0.masks, (std::vector<std::string>{"255.255.255.0", "255.255.0.0"}));
  EXPECT_EQ(l0.gateways, std::vector<std::string>{"10.9.0.1"});
  EXPECT_EQ(l0.gatewayMasks, std::vector<std::string>{"255.255.255.255"});
  EXPECT_EQ(l0.addressLength, 6u);
  EXPECT_EQ(l0.mac, (std::vector<BYTE>{0x02, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}));
  EXPECT_EQ(l0.description, "Virtual Ethernet Adapter");
  EXPECT_EQ(l0.type, static_cast<UINT>(MIB_IF_TYPE_ETHERNET));

  const Adapter& l1 = adapters.at("lvl1");
  EXPECT_EQ(l1.index, ns_->IfIndex("lvl1"));
  EXPECT_EQ(l1.addresses, std::vector<std::string>{"0.0.0.0"});
  EXPECT_EQ(l1.masks, std::vector<std::string>{"0.0.0.0"});
  EXPECT_EQ(l1.gateways, std::vector<std::string>{"0.0.0.0"});
  EXPECT_EQ(adapters.at("lvbr0").description, "Bridge Adapter");
  for (const auto& [name, a] : adapters) {
    EXPECT_EQ(a.dhcpEnabled, 0u) << name;
    EXPECT_FALSE(a.description.empty()) << name;
  }
}

TEST_F(LiveProviderTest, DhcpStateComesFromTheClientByName) {
  ns_->AddVethPair("lvd0", "lvd1");
  {
    std::lock_guard lock(dhcp_->mutex);
    DhcpState& s = dhcp_->states["lvd0"];
    s.enabled = true;
    s.server = "10.9.0.1";
    s.leaseObtained = 1800000000;
    s.leaseExpires = 1800003600;
    s.winsServers = {"10.9.0.44", "10.9.0.45", "10.9.0.46"};
    dhcp_->states["lvd1"].enabled = true;  // released: no lease, no server
  }
  std::map<std::string, Adapter> adapters;
  ASSERT_EQ(ns_->RunInside([&] { return QueryAdapters(adapters); }), static_cast<DWORD>(NO_ERROR));
  const Adapter& d0 = adapters.at("lvd0");
  EXPECT_EQ(d0.dhcpEnabled, 1u);
  EXPECT_EQ(d0.dhcpServer, "10.9.0.1");
  EXPECT_EQ(d0.obtained, 1800000000);
  EXPECT_EQ(d0.expires, 1800003600);
  EXPECT_EQ(d0.haveWins, TRUE);
  EXPECT_EQ(d0.primaryWins, "10.9.0.44");
  EXPECT_EQ(d0.secondaryWins, "10.9.0.45");
  const Adapter& d1 = adapters.at("lvd1");
  EXPECT_EQ(d1.dhcpEnabled, 1u);
  EXPECT_EQ(d1.addresses, std::vector<std::string>{"0.0.0.0"});
  EXPECT_EQ(d1.obtained, 0);
  EXPECT_EQ(d1.haveWins, FALSE);
}

TEST_F(LiveProviderTest, DnsFromTheClientElseFromTheResolverConfiguration) {
  ns_->AddVethPair("lvn0", "lvn1");
  {
    std::lock_guard lock(dhcp_->mutex);
    dhcp_->states["lvn0"].dnsServers = {"10.9.0.53", "10.9.0.54"};
  }
  ULONG n0 = ns_->IfIndex("lvn0"), n1 = ns_->IfIndex("lvn1");
  ns_->RunInside([&] {
    DWORD err;
    EXPECT_EQ(QueryDns(n0, err), (std::vector<std::string>{"10.9.0.53", "10.9.0.54"}));
    EXPECT_EQ(QueryDns(n1, err), (std::vector<std::string>{"10.53.0.1", "10.53.0.2"}));
    WriteResolvConf("# no servers\n");
    EXPECT_EQ(QueryDns(n1, err), std::vector<std::string>{""});
    EXPECT_EQ(err, static_cast<DWORD>(NO_ERROR));
    QueryDns(1, err);  // the loopback is no adapter
    EXPECT_EQ(err, static_cast<DWORD>(ERROR_NO_DATA));
    QueryDns(n1 + 1000, err);
    EXPECT_EQ(err, static_cast<DWORD>(ERROR_NO_DATA));
  });
}

TEST_F(LiveProviderTest, LeaseCallsReachTheClientOnlyWithASafeName) {
  ns_->AddVethPair("lvr0", "-r");
  std::uint32_t good = ns_->IfIndex("lvr0");
  std::uint32_t optionLike = ns_->IfIndex("-r");
  ns_->RunInside([&] {
    EXPECT_EQ(live_->Release(good), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(live_->Renew(good), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(live_->Release(optionLike), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(live_->Renew(optionLike), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(live_->Release(good + 1000), static_cast<DWORD>(ERROR_NOT_FOUND));
    EXPECT_EQ(live_->Release(1), static_cast<DWORD>(ERROR_NOT_FOUND));  // loopback
  });
  std::lock_guard lock(dhcp_->mutex);
  EXPECT_EQ(dhcp_->calls, (std::vector<std::string>{"release lvr0", "renew lvr0"}));
}

TEST_F(LiveProviderTest, NamespaceWithOnlyTheLoopbackHasNoData) {
  ns_->RunInside([] {
    ULONG size = testing::kSizeSentinel;
    EXPECT_EQ(GetAdaptersInfo(nullptr, &size), static_cast<DWORD>(ERROR_NO_DATA));
    EXPECT_EQ(size, testing::kSizeSentinel);
  });
}

TEST_F(LiveProviderTest, EveryQuerySucceedsWholeWhileLinksComeAndGo) {
  // Enough links that a query takes a while, as on a busy host, so that links
  // come and go between its two calls.
  std::vector<std::string> many;
  for (int i = 0; i < 100; ++i) {
    std::string n = std::to_string(i);
    many.push_back("link add lvm" + n + "a type veth peer name lvm" + n + "b");
  }
  ns_->IpBatch(many);
  ns_->AddVethPair("lvs0", "lvs1");
  ns_->AddAddress("lvs0", "10.8.0.2/24");
  std::atomic<bool> done{false};
  std::thread churn([&] {
    for (int round = 0; !done; ++round) {
      std::vector<std::string> lines;
      for (int i = 0; i < 8; ++i) {
        std::string a = "lvc" + std::to_string(i) + "a", b = "lvc" + std::to_string(i) + "b";
        lines.push_back(round % 2 == 0 ? "link add " + a + " type veth peer name " + b : "link del " + a);
        if (round % 2 == 0) lines.push_back("address add 10.7." + std::to_string(i) + ".1/24 dev " + a);
      }
      try {
        ns_->IpBatch(lines);
      } catch (const std::exception&) {
        // a half-applied round is churn too
      }
    }
  });
  constexpr int kQueries = 300;
  int failed = 0;
  ns_->RunInside([&] {
    for (int q = 0; q < kQueries; ++q) {
      std::map<std::string, Adapter> adapters;
      if (QueryAdapters(adapters) != NO_ERROR) {
        ++failed;
        continue;
      }
      ASSERT_TRUE(adapters.count("lvs0"));
      EXPECT_EQ(adapters.at("lvs0").addresses, std::vector<std::string>{"10.8.0.2"});
      std::set<DWORD> indexes;
      for (const auto& [name, a] : adapters) {
        EXPECT_TRUE(indexes.insert(a.index).second) << name;
        EXPECT_FALSE(a.description.empty()) << name;
        // A churned link shows its address or none, never another's.
        if (name.size() == 5 && name.rfind("lvc", 0) == 0 && name[4] == 'a' && a.addresses[0] != "0.0.0.0") {
          EXPECT_EQ(a.addresses[0], "10.7." + name.substr(3, 1) + ".1") << name;
        }
      }
    }
  });
  done = true;
  churn.join();
  EXPECT_EQ(failed, 0) << "of " << kQueries << " two-call queries";
}

}  // namespace
}  // namespace lorvane::iphlp
