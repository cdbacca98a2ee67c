// The live GetAdaptersInfo (both calls) with real DHCP state for 1, 16 and 64
// links, each holding a lease from dnsmasq through its own dhclient, beside
// `ip -br addr` on the same links; and the wall time of one release and one
// renewal against dnsmasq. Needs root, dnsmasq and dhclient.
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "dhcp_lab.h"
#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/live_provider.h"

namespace {

using lorvane::test::DhcpLab;

DhcpLab* LabFor(benchmark::State& state, int links) {
  static std::map<int, std::unique_ptr<DhcpLab>> labs;
  std::string why = DhcpLab::UnavailableReason();
  if (!why.empty()) {
    state.SkipWithError(why.c_str());
    return nullptr;
  }
  auto found = labs.find(links);
  if (found != labs.end()) return found->second.get();
  labs.clear();  // one lab at a time: its dhclients cost memory
  auto lab = std::make_unique<DhcpLab>(links);
  lab->StartAllClients();
  return labs.emplace(links, std::move(lab)).first->second.get();
}

std::shared_ptr<lorvane::iphlp::Provider> LiveProviderFor(const DhcpLab& lab) {
  return std::make_shared<lorvane::iphlp::LiveProvider>(
      std::make_unique<lorvane::iphlp::DhclientClient>(lab.ClientOptions()));
}

// The client shares one look at /proc among the links of one query for a
// moment; queries as the program makes them are further apart, so each
// measured one starts without it.
void ColdSnapshot(benchmark::State& state) {
  state.PauseTiming();
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  state.ResumeTiming();
}

void BM_GetAdaptersInfoWithLeases(benchmark::State& state) {
  DhcpLab* lab = LabFor(state, static_cast<int>(state.range(0)));
  if (!lab) return;
  auto entered = lab->client().Enter();
  auto old = lorvane::iphlp::SetProvider(LiveProviderFor(*lab));
  for (auto _ : state) {
    ColdSnapshot(state);
    ULONG size = 0;
    GetAdaptersInfo(nullptr, &size);
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[size]);
    auto* info = reinterpret_cast<PIP_ADAPTER_INFO>(buffer.get());
    if (GetAdaptersInfo(info, &size) != NO_ERROR || !info->DhcpEnabled)
      state.SkipWithError("no DHCP state");
    benchmark::DoNotOptimize(buffer.get());
  }
  lorvane::iphlp::SetProvider(old);
}

// The DHCP client's share: its state for every link, once.
void BM_DhcpStateEveryLink(benchmark::State& state) {
  DhcpLab* lab = LabFor(state, static_cast<int>(state.range(0)));
  if (!lab) return;
  lorvane::iphlp::DhclientClient client(lab->ClientOptions());
  for (auto _ : state) {
    ColdSnapshot(state);
    for (int i = 0; i < lab->links(); ++i) {
      if (!client.State(DhcpLab::Link(i)).enabled) state.SkipWithError("link not enabled");
    }
  }
}

void BM_IpBriefAddrSameLinks(benchmark::State& state) {
  DhcpLab* lab = LabFor(state, static_cast<int>(state.range(0)));
  if (!lab) return;
  for (auto _ : state) {
    lorvane::test::ChildProcess ip({"ip", "-n", lab->client().name(), "-br", "addr"});
    if (ip.Wait(std::chrono::seconds(10)) != 0) state.SkipWithError("ip -br addr failed");
  }
}

// One lease step as the program makes it: the call alone, timed by hand so
// that the other step (which sets up the next one) stays out.
void LeaseStep(benchmark::State& state, bool release) {
  DhcpLab* lab = LabFor(state, 1);
  if (!lab) return;
  auto entered = lab->client().Enter();
  auto old = lorvane::iphlp::SetProvider(LiveProviderFor(*lab));
  IP_ADAPTER_INDEX_MAP entry{};
  entry.Index = lab->client().IfIndex(DhcpLab::Link(0));
  for (auto _ : state) {
    if (release) {
      auto start = std::chrono::steady_clock::now();
      DWORD err = IpReleaseAddress(&entry);
      state.SetIterationTime(
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
      if (err != NO_ERROR || IpRenewAddress(&entry) != NO_ERROR)
        state.SkipWithError("lease step failed");
    } else {
      if (IpReleaseAddress(&entry) != NO_ERROR) state.SkipWithError("release failed");
      auto start = std::chrono::steady_clock::now();
      DWORD err = IpRenewAddress(&entry);
      state.SetIterationTime(
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
      if (err != NO_ERROR) state.SkipWithError("renew failed");
    }
  }
  lorvane::iphlp::SetProvider(old);
}

void BM_IpReleaseAddress(benchmark::State& state) { LeaseStep(state, true); }
void BM_IpRenewAddress(benchmark::State& state) { LeaseStep(state, false); }

BENCHMARK(BM_GetAdaptersInfoWithLeases)
    ->Arg(1)
    ->Arg(16)
    ->Arg(64)
    ->Iterations(20)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(BM_DhcpStateEveryLink)
    ->Arg(1)
    ->Arg(16)
    ->Arg(64)
    ->Iterations(20)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(BM_IpBriefAddrSameLinks)
    ->Arg(1)
    ->Arg(16)
    ->Arg(64)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(BM_IpReleaseAddress)
    ->Iterations(1)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IpRenewAddress)
    ->Iterations(1)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
