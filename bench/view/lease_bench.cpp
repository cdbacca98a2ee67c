// Release and Renew from the window's buttons to the refilled list, against
// dnsmasq and a real dhclient, beside the same release and renewal run by
// hand with dhclient. Needs root, dnsmasq and dhclient. Each is repeated;
// read the medians.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "dhcp_lab.h"
#include "main_window.h"
#include "platform/iphlp/live_provider.h"
#include "res/resource.h"

namespace {

using lorvane::test::DhcpLab;
using Clock = std::chrono::steady_clock;

CLeaseApp theApp;
CMainFrame* g_frame = nullptr;
DhcpLab* g_lab = nullptr;

void Press(int id) {
  CAdapterView& view = g_frame->m_wndView;
  HWND button = ::GetDlgItem(view.m_hWnd, id);
  ::SendMessageA(view.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

bool Leased() {
  const std::string first = g_lab->client().Ip({"-4", "-o", "addr", "show", "dev", "lvc0"});
  return first.find("inet 10.77.1.") != std::string::npos;
}

// dhclient as a person would run it, on the lab's own files.
bool ByHand(const std::string& mode) {
  const std::string dir = g_lab->dir();
  std::vector<std::string> argv = {"dhclient", mode,
                                   "-lf",      dir + "/dhclient.lvc0.leases",
                                   "-pf",      dir + "/dhclient.lvc0.pid",
                                   "-cf",      dir + "/dhclient.conf",
                                   "-sf",      dir + "/script",
                                   "lvc0"};
  return g_lab->client().Run(argv).exitCode == 0;
}

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_WindowRelease(benchmark::State& state) {
  for (auto _ : state) {
    auto start = Clock::now();
    Press(IDC_RELEASE);
    state.SetIterationTime(Seconds(start));
    if (Leased()) state.SkipWithError("still leased");
    Press(IDC_RENEW);
  }
}

void BM_HandRelease(benchmark::State& state) {
  for (auto _ : state) {
    auto start = Clock::now();
    bool ok = ByHand("-r");
    state.SetIterationTime(Seconds(start));
    if (!ok || Leased()) state.SkipWithError("release by hand failed");
    ByHand("-1");
  }
}

// The window's Renew gives the lease up first, as by hand.
void BM_WindowRenew(benchmark::State& state) {
  for (auto _ : state) {
    auto start = Clock::now();
    Press(IDC_RENEW);
    state.SetIterationTime(Seconds(start));
    if (!Leased()) state.SkipWithError("no lease");
  }
}

void BM_HandRenew(benchmark::State& state) {
  for (auto _ : state) {
    auto start = Clock::now();
    bool ok = ByHand("-r") && ByHand("-1");
    state.SetIterationTime(Seconds(start));
    if (!ok || !Leased()) state.SkipWithError("renewal by hand failed");
  }
}

#define LEASE_BENCHMARK(name) \
  BENCHMARK(name)->Iterations(1)->Repetitions(9)->UseManualTime()->Unit(benchmark::kMillisecond)
LEASE_BENCHMARK(BM_WindowRelease);
LEASE_BENCHMARK(BM_HandRelease);
LEASE_BENCHMARK(BM_WindowRenew);
LEASE_BENCHMARK(BM_HandRenew);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::string why = DhcpLab::UnavailableReason();
  if (!why.empty()) {
    std::fprintf(stderr, "lease_bench needs a DHCP lab: %s\n", why.c_str());
    return 0;
  }
  DhcpLab lab(1);
  lab.StartClient(0);
  g_lab = &lab;
  auto inside = lab.client().Enter();  // the window's thread queries the lab's network
  lorvane::iphlp::SetProvider(std::make_shared<lorvane::iphlp::LiveProvider>(
      std::make_unique<lorvane::iphlp::DhclientClient>(lab.ClientOptions())));
  g_frame = StartMainWindow(theApp);
  if (g_frame == nullptr) return 1;

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  StopMainWindow(theApp);
  return 0;
}
