// A snapshot plus a filled adapter list (LoadAdapters(true) on the running
// main window's view) with 1, 16 and 256 scripted adapters, on Qt's offscreen
// platform. Run with --benchmark_repetitions=N for medians.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "main_window.h"
#include "platform/iphlp/scripted_provider.h"

namespace {

using lorvane::iphlp::AdapterRecord;
using lorvane::iphlp::ScriptedAdapter;
using lorvane::iphlp::ScriptedProvider;

CLeaseApp theApp;
CMainFrame* g_frame = nullptr;
std::shared_ptr<ScriptedProvider> g_adapters = std::make_shared<ScriptedProvider>();

std::vector<AdapterRecord> Adapters(int count) {
  std::vector<AdapterRecord> list;
  for (int i = 0; i < count; ++i) {
    AdapterRecord a =
        ScriptedAdapter(static_cast<std::uint32_t>(i + 2), "veth" + std::to_string(i),
                        "10." + std::to_string(i / 256) + "." + std::to_string(i % 256) + ".2");
    a.gateways = {{"10.0.0.1", "255.255.255.255"}};
    a.dhcpEnabled = i % 2 == 0;
    list.push_back(std::move(a));
  }
  return list;
}

void BM_SnapshotAndFilledList(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  g_adapters->SetAdapters(Adapters(count));
  CAdapterView& view = g_frame->m_wndView;
  for (auto _ : state) {
    const int loaded = view.LoadAdapters(true);
    if (loaded != count) {
      state.SkipWithError("the view loaded another number of adapters");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SnapshotAndFilledList)->Arg(1)->Arg(16)->Arg(256)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  lorvane::iphlp::SetProvider(g_adapters);
  g_frame = StartMainWindow(theApp);
  if (g_frame == nullptr) return 1;

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  StopMainWindow(theApp);
  return 0;
}
