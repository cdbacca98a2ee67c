// GetInterfaceInfo and the lease calls over a scripted provider: the size
// protocol, what is left untouched on failure, and which adapter a lease call
// reaches.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/scripted_provider.h"

namespace lorvane::iphlp {
namespace {

constexpr unsigned char kSentinel = 0xA5;

class InterfaceInfoTest : public ::testing::Test {
 protected:
  void SetUp() override { SetProvider(scripted_); }
  void TearDown() override { SetProvider(nullptr); }

  DWORD Query(std::vector<unsigned char>& buffer, ULONG* size) {
    return GetInterfaceInfo(reinterpret_cast<PIP_INTERFACE_INFO>(buffer.data()), size);
  }
  bool Untouched(const std::vector<unsigned char>& buffer) {
    return std::count(buffer.begin(), buffer.end(), kSentinel) == std::ssize(buffer);
  }

  std::shared_ptr<ScriptedProvider> scripted_ = std::make_shared<ScriptedProvider>();
  AdapterRecord tunnel_ = [] {
    AdapterRecord tunnel = ScriptedAdapter(9, "tun0");
    tunnel.canHoldLease = false;
    return tunnel;
  }();
};

// Only adapters that can hold a lease, with their indexes, and a name too
// long for its field cut and terminated.
TEST_F(InterfaceInfoTest, TwoCallsGiveTheLeaseCapableAdaptersWithTheirIndexes) {
  scripted_->SetAdapters({ScriptedAdapter(2, "eth0", "10.0.0.2"), tunnel_,
                          ScriptedAdapter(7, std::string(300, 'n'))});
  ULONG size = 0;
  EXPECT_EQ(GetInterfaceInfo(nullptr, &size), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, offsetof(IP_INTERFACE_INFO, Adapter) + 2 * sizeof(IP_ADAPTER_INDEX_MAP));

  // One byte short: the size again, the buffer untouched.
  std::vector<unsigned char> buffer(size, kSentinel);
  ULONG shortSize = size - 1;
  EXPECT_EQ(Query(buffer, &shortSize), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(shortSize, size);
  EXPECT_TRUE(Untouched(buffer));

  ASSERT_EQ(Query(buffer, &size), static_cast<DWORD>(NO_ERROR));
  auto* table = reinterpret_cast<PIP_INTERFACE_INFO>(buffer.data());
  ASSERT_EQ(table->NumAdapters, 2);
  auto* entries =
      reinterpret_cast<IP_ADAPTER_INDEX_MAP*>(buffer.data() + offsetof(IP_INTERFACE_INFO, Adapter));
  EXPECT_EQ(entries[0].Index, 2u);
  EXPECT_EQ(std::u16string(entries[0].Name), u"eth0");
  EXPECT_EQ(entries[1].Index, 7u);
  EXPECT_EQ(std::u16string(entries[1].Name), std::u16string(MAX_ADAPTER_NAME - 1, u'n'));
}

TEST_F(InterfaceInfoTest, NoAdapterOrAFailedQueryLeavesEverythingAlone) {
  std::vector<unsigned char> buffer(sizeof(IP_INTERFACE_INFO), kSentinel);
  scripted_->SetAdapters({tunnel_});
  ULONG size = 1234;
  EXPECT_EQ(GetInterfaceInfo(nullptr, &size), static_cast<DWORD>(ERROR_NO_DATA));
  EXPECT_EQ(Query(buffer, &size), static_cast<DWORD>(ERROR_NO_DATA));
  EXPECT_EQ(size, 1234u);

  scripted_->SetAdapters({ScriptedAdapter(2, "eth0")});
  scripted_->FailInterfaceTable(ERROR_NOT_ENOUGH_MEMORY, 1);
  size = buffer.size();
  EXPECT_EQ(Query(buffer, &size), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(size, buffer.size());
  EXPECT_TRUE(Untouched(buffer));
  // The table is a query of its own: no adapter poll was spent on it.
  EXPECT_EQ(scripted_->TableQueries(), 3);
  EXPECT_EQ(scripted_->AdapterPolls(), 0);

  EXPECT_EQ(Query(buffer, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(InterfaceInfoTest, LeaseCallsReachTheEntrysAdapterAndReportItsResult) {
  scripted_->SetAdapters(
      {ScriptedAdapter(2, "eth0", "10.0.0.2"), ScriptedAdapter(5, "eth1", "10.0.1.2")});
  scripted_->OnRelease(
      [](ScriptedProvider&, std::uint32_t) { return static_cast<DWORD>(ERROR_TIMEOUT); });
  IP_ADAPTER_INDEX_MAP entry{};
  entry.Index = 5;
  EXPECT_EQ(IpReleaseAddress(&entry), static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_EQ(IpRenewAddress(&entry), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(IpReleaseAddress(nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(IpRenewAddress(nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  using Call = ScriptedProvider::LeaseCall;
  EXPECT_EQ(scripted_->LeaseCalls(), (std::vector<Call>{{ScriptedProvider::LeaseOp::kRelease, 5},
                                                        {ScriptedProvider::LeaseOp::kRenew, 5}}));
}

}  // namespace
}  // namespace lorvane::iphlp
