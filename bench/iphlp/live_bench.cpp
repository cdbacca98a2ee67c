// The live GetAdaptersInfo (both calls of the protocol) against 1, 16 and 256
// veth links with addresses in a namespace, beside `ip -br addr` listing the
// same links. Needs root; run with --benchmark_repetitions=N for medians.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/dhcp/dhclient_client.h"
#include "platform/iphlp/live_provider.h"
#include "support/netns.h"

namespace {

using lorvane::test::NetNamespace;

// The measured namespace holds exactly `links` links besides the loopback:
// each veth's peer lives in a second namespace.
struct Scene {
  NetNamespace measured{"lvbench"};
  NetNamespace peers{"lvbenchp"};
  explicit Scene(int links) {
    std::vector<std::string> lines;
    for (int i = 0; i < links; ++i) {
      std::string name = "lvb" + std::to_string(i);
      lines.push_back("link add " + name + " type veth peer name lvp" + std::to_string(i) + " netns " + peers.name());
      lines.push_back("address add 10." + std::to_string(100 + i / 256) + "." + std::to_string(i % 256) +
                      ".2/24 dev " + name);
      lines.push_back("link set " + name + " up");
    }
    lines.push_back("route add default via 10.100.0.1 dev lvb0");
    measured.IpBatch(lines);
  }
};

Scene* SceneFor(benchmark::State& state) {
  static std::map<int, std::unique_ptr<Scene>> scenes;
  std::string why = lorvane::test::NetnsUnavailableReason();
  if (!why.empty()) {
    state.SkipWithError(why.c_str());
    return nullptr;
  }
  int links = static_cast<int>(state.range(0));
  auto& scene = scenes[links];
  if (!scene) scene = std::make_unique<Scene>(links);
  return scene.get();
}

void QueryLoop(benchmark::State& state, std::unique_ptr<lorvane::iphlp::DhcpClient> client) {
  Scene* scene = SceneFor(state);
  if (scene == nullptr) return;
  auto entered = scene->measured.Enter();
  auto old = lorvane::iphlp::SetProvider(std::make_shared<lorvane::iphlp::LiveProvider>(std::move(client)));
  for (auto _ : state) {
    ULONG size = 0;
    GetAdaptersInfo(nullptr, &size);
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[size]);
    DWORD err = GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.get()), &size);
    if (err != NO_ERROR) state.SkipWithError("GetAdaptersInfo failed");
    benchmark::DoNotOptimize(buffer.get());
  }
  lorvane::iphlp::SetProvider(old);
}

// As the program gets it: with the system's DHCP client asked for each link.
void BM_LiveGetAdaptersInfo(benchmark::State& state) { QueryLoop(state, lorvane::iphlp::MakeSystemDhcpClient()); }

// dhclient's lease files alone: one for each link and a few stale ones for
// links long gone, as a machine that has run dhclient for a while keeps them.
// Nothing runs: the files are the whole DHCP state.
class LeaseFolder {
 public:
  explicit LeaseFolder(int links) {
    char pattern[] = "/tmp/lvleasesXXXXXX";
    dir_ = mkdtemp(pattern);
    auto write = [&](const std::string& file, const std::string& link, int i) {
      std::ofstream(dir_ + "/" + file)
          << "lease {\n  interface \"" << link << "\";\n  fixed-address 10.100.0." << i % 250 + 2
          << ";\n  option dhcp-server-identifier 10.100.0.1;\n  option dhcp-lease-time 3600;\n"
             "  option domain-name-servers 10.100.0.1;\n  expire epoch 4102444800;\n}\n";
    };
    for (int i = 0; i < links; ++i)
      write("dhclient.lvb" + std::to_string(i) + ".leases", "lvb" + std::to_string(i), i);
    for (int i = 0; i < kStale; ++i)
      write("dhclient.gone" + std::to_string(i) + ".leases", "gone" + std::to_string(i), i);
  }
  ~LeaseFolder() { std::filesystem::remove_all(dir_); }
  lorvane::iphlp::DhclientOptions Options() const {
    lorvane::iphlp::DhclientOptions o;
    o.leaseDirs = {dir_};
    o.configFiles = {};
    o.interfacesFile = dir_ + "/no-interfaces";
    o.runDir = dir_;
    return o;
  }

 private:
  static constexpr int kStale = 8;
  std::string dir_;
};

void BM_LiveGetAdaptersInfoLeaseFiles(benchmark::State& state) {
  LeaseFolder folder(static_cast<int>(state.range(0)));
  QueryLoop(state, std::make_unique<lorvane::iphlp::DhclientClient>(folder.Options()));
}

// rtnetlink, sysfs and packing alone.
void BM_LiveGetAdaptersInfoNoDhcp(benchmark::State& state) { QueryLoop(state, nullptr); }

void BM_IpBriefAddr(benchmark::State& state) {
  Scene* scene = SceneFor(state);
  if (scene == nullptr) return;
  for (auto _ : state) {
    lorvane::test::ChildProcess ip({"ip", "-n", scene->measured.name(), "-br", "addr"});
    if (ip.Wait(std::chrono::seconds(10)) != 0) state.SkipWithError("ip -br addr failed");
  }
}

BENCHMARK(BM_LiveGetAdaptersInfo)->Arg(1)->Arg(16)->Arg(256)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_LiveGetAdaptersInfoLeaseFiles)->Arg(1)->Arg(16)->Arg(256)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_LiveGetAdaptersInfoNoDhcp)->Arg(1)->Arg(16)->Arg(256)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_IpBriefAddr)->Arg(1)->Arg(16)->Arg(256)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
