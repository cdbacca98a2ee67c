// One live GetAdaptersInfo (both calls) for 1, 16 and 64 links that
// NetworkManager, systemd-networkd or dhcpcd manages, each link holding a
// lease from the lab's dnsmasq, beside `ip -br addr` on the same links and
// the daemon's own answers to the calls the query makes. The provider asks
// every client as the system's does, in the system's order.
// Needs root, dnsmasq and the three daemons.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "dhcp_lab.h"
#include "lab_daemons.h"
#include "platform/iphlp/dhcp/bus.h"
#include "platform/iphlp/dhcp/dhcpcd_client.h"
#include "platform/iphlp/dhcp/managing_client.h"
#include "platform/iphlp/dhcp/network_manager_client.h"
#include "platform/iphlp/dhcp/networkd_client.h"
#include "platform/iphlp/dhcp/replies.h"
#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/live_provider.h"

namespace {

using namespace lorvane;
using test::DhcpLab;

enum Daemon { kNetworkManager, kNetworkd, kDhcpcd };

struct Lab {
  std::unique_ptr<DhcpLab> lab;
  std::unique_ptr<test::PrivateNetworkManager> nm;
  std::unique_ptr<test::LabNetworkd> networkd;
  std::unique_ptr<test::LabDhcpcd> dhcpcd;
};

// One lab at a time: 64 links of daemons cost memory.
Lab* LabFor(benchmark::State& state, long daemon, long links) {
  static std::pair<long, long> key{-1, -1};
  static Lab current;
  std::string why = DhcpLab::UnavailableReason();
  if (why.empty()) why = test::PrivateNetworkManager::UnavailableReason();
  if (why.empty()) why = test::LabNetworkd::UnavailableReason();
  if (why.empty()) why = test::LabDhcpcd::UnavailableReason();
  if (!why.empty()) {
    state.SkipWithError(why.c_str());
    return nullptr;
  }
  std::pair<long, long> wanted{daemon, links};
  if (key == wanted) return &current;
  // The daemons before the lab whose namespaces they run in.
  current.dhcpcd.reset();
  current.networkd.reset();
  current.nm.reset();
  current.lab.reset();
  current.lab = std::make_unique<DhcpLab>(static_cast<int>(links));
  switch (wanted.first) {
    case kNetworkManager:
      current.nm = test::StartLabNetworkManager(*current.lab, static_cast<int>(links),
                                                LORVANE_PRIVATE_MOUNTS);
      break;
    case kNetworkd:
      current.networkd = std::make_unique<test::LabNetworkd>(
          *current.lab, static_cast<int>(links), false, LORVANE_PRIVATE_MOUNTS);
      break;
    default:
      current.dhcpcd = std::make_unique<test::LabDhcpcd>(*current.lab, static_cast<int>(links),
                                                         LORVANE_PRIVATE_MOUNTS);
  }
  key = wanted;
  return &current;
}

std::shared_ptr<iphlp::Provider> SystemLikeProvider(const Lab& lab) {
  iphlp::NetworkManagerOptions nm;
  nm.busAddress = lab.nm ? lab.nm->BusAddress() : "unix:path=" + lab.lab->dir() + "/no-bus";
  iphlp::NetworkdOptions networkd;
  networkd.busAddress =
      lab.networkd ? lab.networkd->BusAddress() : "unix:path=" + lab.lab->dir() + "/no-bus";
  iphlp::DhclientOptions dhclient = lab.lab->ClientOptions();
  dhclient.netns.clear();  // the calling thread's
  std::vector<std::unique_ptr<iphlp::DhcpClient>> clients;
  clients.push_back(std::make_unique<iphlp::NetworkManagerClient>(nm));
  clients.push_back(std::make_unique<iphlp::NetworkdClient>(networkd));
  clients.push_back(std::make_unique<iphlp::DhcpcdClient>());
  clients.push_back(std::make_unique<iphlp::DhclientClient>(dhclient));
  return std::make_shared<iphlp::LiveProvider>(
      std::make_unique<iphlp::ManagingClient>(std::move(clients)),
      lab.lab->dir() + "/no-resolv.conf");
}

void Query(benchmark::State& state, long links) {
  for (auto _ : state) {
    ULONG size = 0;
    GetAdaptersInfo(nullptr, &size);
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[size]);
    auto* info = reinterpret_cast<PIP_ADAPTER_INFO>(buffer.get());
    if (GetAdaptersInfo(info, &size) != NO_ERROR) state.SkipWithError("query failed");
    long leased = 0;
    for (auto* a = info; a; a = a->Next) leased += a->DhcpEnabled && a->DhcpServer.IpAddress.String[0];
    if (leased != links) state.SkipWithError("not every link showed its lease");
  }
}

void BM_GetAdaptersInfoManaged(benchmark::State& state, long daemon, long links) {
  Lab* lab = LabFor(state, daemon, links);
  if (!lab) return;
  auto old = iphlp::SetProvider(SystemLikeProvider(*lab));
  if (lab->dhcpcd) {
    lab->dhcpcd->InLab([&] { Query(state, links); });
  } else {
    lab->lab->client().RunInside([&] { Query(state, links); });
  }
  iphlp::SetProvider(old);
}

void BM_IpBriefAddrManaged(benchmark::State& state, long daemon, long links) {
  Lab* lab = LabFor(state, daemon, links);
  if (!lab) return;
  for (auto _ : state) {
    test::ChildProcess ip({"ip", "-n", lab->lab->client().name(), "-br", "addr"});
    if (ip.Wait(std::chrono::seconds(10)) != 0) state.SkipWithError("ip -br addr failed");
  }
}

// Only the daemon's answers to the calls a query makes, on a bus opened for
// them, with the device replies read only for their configurations' paths:
// the floor under a query, whatever the client does with them.
void BM_DaemonAnswerManaged(benchmark::State& state, long daemon, long links) {
  Lab* lab = LabFor(state, daemon, links);
  if (!lab) return;
  const char* nm = "org.freedesktop.NetworkManager";
  const char* properties = "org.freedesktop.DBus.Properties";
  const std::string address = lab->nm ? lab->nm->BusAddress() : lab->networkd->BusAddress();
  for (auto _ : state) {
    auto bus = iphlp::dhcp::Bus::Open(address, std::chrono::seconds(10));
    if (!bus) state.SkipWithError("no bus");
    if (lab->networkd) {
      auto r = bus->Call("org.freedesktop.network1", "/org/freedesktop/network1",
                         "org.freedesktop.network1.Manager", "Describe");
      if (r.status != iphlp::dhcp::CallStatus::Ok) state.SkipWithError("no description");
      continue;
    }
    auto all = bus->Call(nm, "/org/freedesktop/NetworkManager", properties, "Get", "ss", nm,
                         "AllDevices");
    sd_bus_message* m = all.reply.get();
    std::vector<std::string> devices, configs;
    iphlp::dhcp::InVariant(m, "ao", [&] { return iphlp::dhcp::ReadPaths(m, devices, 4096); });
    const char* device = "org.freedesktop.NetworkManager.Device";
    auto replies = bus->CallEach(nm, devices, properties, "GetAll", device);
    iphlp::dhcp::NmObjects o;
    for (std::size_t i = 0; i < devices.size(); ++i)
      iphlp::dhcp::ReadNmProperties(replies[i].reply.get(), devices[i], device, o);
    for (const auto& [path, d] : o.devices)
      if (d.dhcp4Config != "/") configs.push_back(d.dhcp4Config);
    if (configs.size() != static_cast<std::size_t>(links)) state.SkipWithError("configs missing");
    bus->CallEach(nm, configs, properties, "GetAll", "org.freedesktop.NetworkManager.DHCP4Config");
  }
}

}  // namespace

// Each lab's query and its baseline run one after the other, before the next
// lab is built.
int main(int argc, char** argv) {
  const char* names[] = {"NetworkManager", "networkd", "dhcpcd"};
  for (long daemon : {kNetworkManager, kNetworkd, kDhcpcd}) {
    for (long links : {1, 16, 64}) {
      const std::string suffix = std::string("/") + names[daemon] + "/links:" + std::to_string(links);
      for (auto [name, fn] : {std::pair{"BM_GetAdaptersInfoManaged", &BM_GetAdaptersInfoManaged},
                              std::pair{"BM_IpBriefAddrManaged", &BM_IpBriefAddrManaged},
                              std::pair{"BM_DaemonAnswerManaged", &BM_DaemonAnswerManaged}}) {
        if (daemon == kDhcpcd && fn == &BM_DaemonAnswerManaged) continue;  // no daemon call
        benchmark::RegisterBenchmark((name + suffix).c_str(), fn, daemon, links)
            ->Iterations(20)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMicrosecond)
            ->UseRealTime();
      }
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
