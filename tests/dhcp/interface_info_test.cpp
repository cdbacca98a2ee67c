// GetInterfaceInfo and the lease calls over a scripted provider: the size
// protocol, what is left untouched on failure, and which adapter a lease call
// reaches.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/scripted_provider.h"

namespace lorvane::iphlp {
namespace {

constexpr unsigned char kSentinel = 0xA5;
constexpr ULONG kOneEntry = sizeof(IP_INTERFACE_INFO);

class InterfaceInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted_ = std::make_shared<ScriptedProvider>();
    SetProvider(scripted_);
  }
  void TearDown() override { SetProvider(nullptr); }

  IP_ADAPTER_INDEX_MAP* Entries(std::vector<unsigned char>& buffer) {
    return reinterpret_cast<IP_ADAPTER_INDEX_MAP*>(buffer.data() +
                                                   offsetof(IP_INTERFACE_INFO, Adapter));
  }

  std::shared_ptr<ScriptedProvider> scripted_;
};

TEST_F(InterfaceInfoTest, TwoCallsGiveTheLeaseCapableAdaptersWithTheirIndexes) {
  AdapterRecord tunnel = ScriptedAdapter(9, "tun0");
  tunnel.canHoldLease = false;
  scripted_->SetAdapters(
      {ScriptedAdapter(2, "eth0", "10.0.0.2"), tunnel, ScriptedAdapter(7, "wlan0")});

  ULONG size = 0;
  EXPECT_EQ(GetInterfaceInfo(nullptr, &size), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, offsetof(IP_INTERFACE_INFO, Adapter) + 2 * sizeof(IP_ADAPTER_INDEX_MAP));

  // One byte short: the size again, the buffer untouched.
  std::vector<unsigned char> buffer(size, kSentinel);
  ULONG shortSize = size - 1;
  EXPECT_EQ(GetInterfaceInfo(reinterpret_cast<PIP_INTERFACE_INFO>(buffer.data()), &shortSize),
            static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(shortSize, size);
  EXPECT_EQ(std::count(buffer.begin(), buffer.end(), kSentinel), static_cast<long>(buffer.size()));

  ASSERT_EQ(GetInterfaceInfo(reinterpret_cast<PIP_INTERFACE_INFO>(buffer.data()), &size),
            static_cast<DWORD>(NO_ERROR));
  auto* table = reinterpret_cast<PIP_INTERFACE_INFO>(buffer.data());
  ASSERT_EQ(table->NumAdapters, 2);
  EXPECT_EQ(Entries(buffer)[0].Index, 2u);
  EXPECT_EQ(std::u16string(Entries(buffer)[0].Name), u"eth0");
  EXPECT_EQ(Entries(buffer)[1].Index, 7u);
  EXPECT_EQ(std::u16string(Entries(buffer)[1].Name), u"wlan0");
}

TEST_F(InterfaceInfoTest, NoAdapterOrAFailedQueryLeavesEverythingAlone) {
  std::vector<unsigned char> buffer(kOneEntry, kSentinel);
  auto* table = reinterpret_cast<PIP_INTERFACE_INFO>(buffer.data());

  AdapterRecord tunnel = ScriptedAdapter(9, "tun0");
  tunnel.canHoldLease = false;
  scripted_->SetAdapters({tunnel});
  ULONG size = 1234;
  EXPECT_EQ(GetInterfaceInfo(nullptr, &size), static_cast<DWORD>(ERROR_NO_DATA));
  EXPECT_EQ(GetInterfaceInfo(table, &size), static_cast<DWORD>(ERROR_NO_DATA));
  EXPECT_EQ(size, 1234u);

  scripted_->SetAdapters({ScriptedAdapter(2, "eth0")});
  scripted_->FailInterfaceTable(ERROR_NOT_ENOUGH_MEMORY, 1);
  size = kOneEntry;
  EXPECT_EQ(GetInterfaceInfo(table, &size), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(size, kOneEntry);
  EXPECT_EQ(std::count(buffer.begin(), buffer.end(), kSentinel), static_cast<long>(buffer.size()));
  // The table is a query of its own: no adapter poll was spent on it.
  EXPECT_EQ(scripted_->TableQueries(), 3);
  EXPECT_EQ(scripted_->AdapterPolls(), 0);

  EXPECT_EQ(GetInterfaceInfo(table, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(InterfaceInfoTest, ANameTooLongForItsFieldIsCutAndTerminated) {
  std::string longName(300, 'n');
  scripted_->SetAdapters({ScriptedAdapter(4, longName)});
  ULONG size = 0;
  GetInterfaceInfo(nullptr, &size);
  std::vector<unsigned char> buffer(size, kSentinel);
  ASSERT_EQ(GetInterfaceInfo(reinterpret_cast<PIP_INTERFACE_INFO>(buffer.data()), &size),
            static_cast<DWORD>(NO_ERROR));
  const IP_ADAPTER_INDEX_MAP& entry = Entries(buffer)[0];
  EXPECT_EQ(std::u16string(entry.Name), std::u16string(MAX_ADAPTER_NAME - 1, u'n'));
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
