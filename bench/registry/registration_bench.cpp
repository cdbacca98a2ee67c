// Registration at start-up when every adapter is registered already, beside
// the adapter query it cannot do without, with 4 and 64 scripted adapters
// over a hive in a temporary folder. The ratio: bench/ratio.py with this
// program, BM_AdapterQuery/4 and BM_RegisterNothingNew/4 (see the README).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/scripted_provider.h"
#include "platform/registry/registry.h"

namespace {

std::shared_ptr<lorvane::iphlp::ScriptedProvider> Provider(int count) {
  std::vector<lorvane::iphlp::AdapterRecord> adapters;
  for (int i = 0; i < count; ++i) {
    adapters.push_back(lorvane::iphlp::ScriptedAdapter(static_cast<std::uint32_t>(i + 2),
                                                       "eth" + std::to_string(i)));
  }
  auto provider = std::make_shared<lorvane::iphlp::ScriptedProvider>();
  provider->SetAdapters(std::move(adapters));
  return provider;
}

void BM_AdapterQuery(benchmark::State& state) {
  lorvane::iphlp::SetProvider(Provider(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    ULONG size = 0;
    GetAdaptersInfo(nullptr, &size);
    std::unique_ptr<BYTE[]> buffer(new BYTE[size]);
    if (GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.get()), &size) != NO_ERROR)
      state.SkipWithError("GetAdaptersInfo failed");
  }
  lorvane::iphlp::SetProvider(nullptr);
}
BENCHMARK(BM_AdapterQuery)->Arg(4)->Arg(64)->Unit(benchmark::kMicrosecond);

void BM_RegisterNothingNew(benchmark::State& state) {
  char pattern[] = "/tmp/lorvane-bench-XXXXXX";
  const std::string dir = mkdtemp(pattern);
  {
    lorvane::registry::ScopedHivePath hive(dir + "/hklm.hive");
    lorvane::iphlp::SetProvider(Provider(static_cast<int>(state.range(0))));
    if (lorvane::registry::RegisterAdapters() != NO_ERROR) state.SkipWithError("no hive to write");
    std::vector<lorvane::registry::RegistrationChange> changes;
    for (auto _ : state) {
      if (lorvane::registry::RegisterAdapters(&changes) != NO_ERROR || !changes.empty())
        state.SkipWithError("registration failed or changed something");
    }
    lorvane::iphlp::SetProvider(nullptr);
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_RegisterNothingNew)->Arg(4)->Arg(64)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
