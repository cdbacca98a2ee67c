// GetInterfaceInfo over a scripted provider: which adapters it lists and the
// size it asks for. What the window makes of the table, and which adapter a
// lease call reaches, tests/program/lease_test.cpp checks.
#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/scripted_provider.h"

namespace lorvane::iphlp {
namespace {

TEST(InterfaceInfo, ListsOnlyTheAdaptersThatCanHoldALease) {
  auto scripted = std::make_shared<ScriptedProvider>();
  SetProvider(scripted);
  AdapterRecord tunnel = ScriptedAdapter(9, "tun0");
  tunnel.canHoldLease = false;
  scripted->SetAdapters({ScriptedAdapter(2, "eth0"), tunnel, ScriptedAdapter(7, "eth1")});
  ULONG size = 0;
  EXPECT_EQ(GetInterfaceInfo(nullptr, &size), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, offsetof(IP_INTERFACE_INFO, Adapter) + 2 * sizeof(IP_ADAPTER_INDEX_MAP));
  std::vector<unsigned char> buffer(size);
  auto* table = reinterpret_cast<PIP_INTERFACE_INFO>(buffer.data());
  ASSERT_EQ(GetInterfaceInfo(table, &size), static_cast<DWORD>(NO_ERROR));
  ASSERT_EQ(table->NumAdapters, 2);
  auto* entries =
      reinterpret_cast<IP_ADAPTER_INDEX_MAP*>(buffer.data() + offsetof(IP_INTERFACE_INFO, Adapter));
  EXPECT_EQ(entries[0].Index, 2u);
  EXPECT_EQ(entries[1].Index, 7u);

  // None at all is no data, with the size left alone.
  scripted->SetAdapters({tunnel});
  size = 1234;
  EXPECT_EQ(GetInterfaceInfo(nullptr, &size), static_cast<DWORD>(ERROR_NO_DATA));
  EXPECT_EQ(GetInterfaceInfo(table, &size), static_cast<DWORD>(ERROR_NO_DATA));
  EXPECT_EQ(size, 1234u);
  SetProvider(nullptr);
}

}  // namespace
}  // namespace lorvane::iphlp
