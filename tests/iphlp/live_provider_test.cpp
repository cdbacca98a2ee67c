// The live provider against links that each test makes in a network
// namespace of its own, queried from a thread inside it through the real
// GetAdaptersInfo and GetPerAdapterInfo.
#include "platform/iphlp/live_provider.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "iphlp_test_util.h"
#include "support/netns.h"

namespace lorvane::iphlp {
namespace {

using test::NetNamespace;
using testing::CallerBuffer;
using testing::kSizeSentinel;
using testing::Texts;

// Says what the test set and records what it was asked. Only one thread at a
// time touches it: the test's, or the namespace's thread it waits for.
class ScriptedDhcpClient : public DhcpClient {
 public:
  DhcpState State(const std::string& name) override { return states[name]; }
  DWORD Release(const std::string& name) override { return Record("release " + name); }
  DWORD Renew(const std::string& name) override { return Record("renew " + name); }
  std::map<std::string, DhcpState> states;
  Texts calls;

 private:
  DWORD Record(std::string call) {
    calls.push_back(std::move(call));
    return NO_ERROR;
  }
};

// One query, made on the calling thread, with its records by name.
struct Adapters : testing::AdaptersQuery {
  Adapters() {
    for (const IP_ADAPTER_INFO* a : records) {
      EXPECT_TRUE(byName.emplace(a->AdapterName, a).second) << "twice: " << a->AdapterName;
    }
  }
  const IP_ADAPTER_INFO& at(const std::string& name) const { return *byName.at(name); }
  std::map<std::string, const IP_ADAPTER_INFO*> byName;
};

std::vector<std::string> QueryDns(ULONG index, DWORD& err) {
  ULONG size = 0;
  GetPerAdapterInfo(index, nullptr, &size);
  CallerBuffer buffer(size);
  auto* info = buffer.as<IP_PER_ADAPTER_INFO>();
  err = GetPerAdapterInfo(index, info, &size);
  return err == NO_ERROR ? testing::Addresses(buffer, info->DnsServerList) : Texts{};
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
    auto dhcp = std::make_unique<ScriptedDhcpClient>();
    dhcp_ = dhcp.get();
    live_ = std::make_shared<LiveProvider>(std::move(dhcp), resolvConf_);
    old_ = SetProvider(live_);
    ns_ = std::make_unique<NetNamespace>("lvlive");
  }
  void TearDown() override {
    ns_.reset();
    if (live_) SetProvider(old_);
    if (!resolvConf_.empty()) std::filesystem::remove(resolvConf_);
  }
  void WriteResolvConf(const std::string& text) { std::ofstream(resolvConf_) << text; }

  ScriptedDhcpClient* dhcp_ = nullptr;  // owned by live_
  std::shared_ptr<LiveProvider> live_;
  std::shared_ptr<Provider> old_;
  std::unique_ptr<NetNamespace> ns_;
  std::string resolvConf_;
};

TEST_F(LiveProviderTest, LinksAddressesRoutesDhcpStateDnsAndLeaseCalls) {
  ns_->RunInside([] {
    ULONG size = kSizeSentinel;  // only the loopback: no adapter
    EXPECT_EQ(GetAdaptersInfo(nullptr, &size), DWORD{ERROR_NO_DATA});
    EXPECT_EQ(size, kSizeSentinel);
  });
  ns_->AddVethPair("lvl0", "lvl1");
  ns_->SetHardwareAddress("lvl0", "02:1a:2b:3c:4d:5e");
  ns_->SetHardwareAddress("lvl1", "02:1a:2b:3c:4d:5f");
  ns_->AddAddress("lvl0", "10.9.0.2/24");
  ns_->AddAddress("lvl0", "172.20.1.2/16");
  ns_->SetUp("lvl0");
  ns_->SetUp("lvl1");
  ns_->AddDefaultRoute("10.9.0.1", "lvl0");
  ns_->AddLink("lvbr0", "bridge");
  ns_->AddVethPair("lvd0", "-r");
  ns_->SetHardwareAddress("lvd0", "02:1a:2b:3c:4d:60");
  DhcpState& s = dhcp_->states["lvd0"];
  s.enabled = true;
  s.server = "10.9.0.1";
  s.leaseObtained = 1800000000;
  s.leaseExpires = 1800003600;
  s.winsServers = {"10.9.0.44", "10.9.0.45", "10.9.0.46"};
  s.dnsServers = {"10.9.0.53", "10.9.0.54"};
  dhcp_->states["lvl1"].enabled = true;  // released: no lease, no server

  auto q = ns_->RunInside([] { return std::make_unique<Adapters>(); });
  ASSERT_EQ(q->error, DWORD{NO_ERROR});
  ASSERT_EQ(q->records.size(), 5u) << "the loopback is left out";
  const auto line = [&](const std::string& n) { return q->Line(q->at(n)); };
  const auto named = [&](const std::string& n) {
    return std::to_string(ns_->IfIndex(n)) + " " + n;
  };
  EXPECT_EQ(line("lvl0"),
            named("lvl0") +
                " [Virtual Ethernet Adapter] type 6 mac 021a2b3c4d5e0000/6"
                " ip 10.9.0.2/255.255.255.0 172.20.1.2/255.255.0.0 gw 10.9.0.1/255.255.255.255"
                " server / dhcp 0 lease 0 0 wins 0 [] []");
  EXPECT_EQ(line("lvl1"),
            named("lvl1") +
                " [Virtual Ethernet Adapter] type 6 mac 021a2b3c4d5f0000/6 ip 0.0.0.0/0.0.0.0"
                " gw 0.0.0.0/0.0.0.0 server / dhcp 1 lease 0 0 wins 0 [] []");
  EXPECT_EQ(line("lvd0"),
            named("lvd0") +
                " [Virtual Ethernet Adapter] type 6 mac 021a2b3c4d600000/6 ip 0.0.0.0/0.0.0.0"
                " gw 0.0.0.0/0.0.0.0 server 10.9.0.1/ dhcp 1 lease 1800000000 1800003600"
                " wins 1 [10.9.0.44] [10.9.0.45]");
  EXPECT_STREQ(q->at("lvbr0").Description, "Bridge Adapter");
  for (const IP_ADAPTER_INFO* a : q->records) EXPECT_NE(a->Description[0], '\0') << a->AdapterName;

  // DNS from the client, else from the resolver configuration. A lease call
  // reaches the client only with a name that cannot pass for an option.
  const ULONG dhcp = ns_->IfIndex("lvd0"), plain = ns_->IfIndex("lvl0"), dash = ns_->IfIndex("-r");
  ns_->RunInside([&] {
    DWORD err;
    EXPECT_EQ(QueryDns(dhcp, err), (Texts{"10.9.0.53", "10.9.0.54"}));
    EXPECT_EQ(QueryDns(plain, err), (Texts{"10.53.0.1", "10.53.0.2"}));
    WriteResolvConf("# no servers\n");
    EXPECT_EQ(QueryDns(plain, err), Texts{""});
    QueryDns(1, err);  // the loopback is no adapter
    EXPECT_EQ(err, DWORD{ERROR_NO_DATA});
    QueryDns(plain + 1000, err);
    EXPECT_EQ(err, DWORD{ERROR_NO_DATA});

    EXPECT_EQ(live_->Release(dhcp), DWORD{NO_ERROR});
    EXPECT_EQ(live_->Renew(dhcp), DWORD{NO_ERROR});
    EXPECT_EQ(live_->Release(dash), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(live_->Renew(dash), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(live_->Release(plain + 1000), DWORD{ERROR_NOT_FOUND});
    EXPECT_EQ(live_->Release(1), DWORD{ERROR_NOT_FOUND});  // loopback
  });
  EXPECT_EQ(dhcp_->calls, (Texts{"release lvd0", "renew lvd0"}));
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
        lines.push_back(round % 2 == 0 ? "link add " + a + " type veth peer name " + b
                                       : "link del " + a);
        if (round % 2 == 0)
          lines.push_back("address add 10.7." + std::to_string(i) + ".1/24 dev " + a);
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
    for (int i = 0; i < kQueries; ++i) {
      Adapters q;
      if (q.error != NO_ERROR) {
        ++failed;
        continue;
      }
      ASSERT_TRUE(q.byName.count("lvs0"));
      EXPECT_EQ(q.List(q.at("lvs0").IpAddressList), Texts{"10.8.0.2"});
      std::set<DWORD> indexes;
      for (const IP_ADAPTER_INFO* a : q.records) {
        const std::string name = a->AdapterName, first = a->IpAddressList.IpAddress.String;
        EXPECT_TRUE(indexes.insert(a->Index).second) << name;
        EXPECT_NE(a->Description[0], '\0') << name;
        // A churned link shows its address or none, never another's.
        if (name.size() == 5 && name.rfind("lvc", 0) == 0 && name[4] == 'a' && first != "0.0.0.0") {
          EXPECT_EQ(first, "10.7." + name.substr(3, 1) + ".1") << name;
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
