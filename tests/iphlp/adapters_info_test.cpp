// GetAdaptersInfo and GetPerAdapterInfo over a scripted provider: the
// two-call protocol, what is packed where, and what a failing or changing
// provider leaves in the caller's hands.
#include <climits>
#include <cstring>

#include "iphlp_test_util.h"
#include "platform/iphlp/packing.h"
#include "platform/iphlp/scripted_provider.h"

namespace lorvane::iphlp {
namespace {

using testing::Addresses;
using testing::CallerBuffer;
using testing::kSizeSentinel;
using testing::Masks;
using testing::Walk;

class AdaptersInfo : public testing::WithProvider<ScriptedProvider> {
 protected:
  // The first call of the protocol: the size it asks for.
  ULONG SizeNeeded() {
    ULONG size = 0;
    EXPECT_EQ(GetAdaptersInfo(nullptr, &size), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
    return size;
  }
};

TEST_F(AdaptersInfo, TwoCallsGiveAChainInsideTheBuffer) {
  AdapterRecord a = ScriptedAdapter(3, "eth0", "10.0.0.5");
  a.addresses.push_back({"10.0.1.5", "255.255.0.0"});
  a.addresses.push_back({"10.0.2.5", "255.0.0.0"});
  a.gateways = {{"10.0.0.1", "255.255.255.255"},
                {"10.0.0.2", "255.255.255.255"},
                {"10.0.0.254", "255.255.255.255"}};
  provider_->SetAdapters({a, ScriptedAdapter(9, "eth1"), ScriptedAdapter(12, "wlan0", "192.168.1.7")});

  ULONG size = SizeNeeded();
  EXPECT_EQ(size, 3 * sizeof(IP_ADAPTER_INFO) + 4 * sizeof(IP_ADDR_STRING));
  CallerBuffer buffer(size);
  ASSERT_EQ(GetAdaptersInfo(buffer.as<IP_ADAPTER_INFO>(), &size), static_cast<DWORD>(NO_ERROR));
  EXPECT_TRUE(buffer.GuardUntouched());

  auto records = Walk(buffer, buffer.as<IP_ADAPTER_INFO>());
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0]->Index, 3u);
  EXPECT_EQ(records[1]->Index, 9u);
  EXPECT_EQ(records[2]->Index, 12u);
  // Three of each: a chain that loses its middle entry shows.
  EXPECT_EQ(Addresses(records[0]->IpAddressList),
            (std::vector<std::string>{"10.0.0.5", "10.0.1.5", "10.0.2.5"}));
  EXPECT_EQ(Masks(records[0]->IpAddressList),
            (std::vector<std::string>{"255.255.255.0", "255.255.0.0", "255.0.0.0"}));
  EXPECT_EQ(Addresses(records[0]->GatewayList),
            (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.254"}));
  EXPECT_EQ(Addresses(records[2]->IpAddressList), std::vector<std::string>{"192.168.1.7"});
}

TEST_F(AdaptersInfo, ShortOrMissingBufferGetsTheSizeAndNoWrite) {
  provider_->SetAdapters({ScriptedAdapter(3, "eth0", "10.0.0.5"), ScriptedAdapter(4, "eth1")});
  ULONG needed = SizeNeeded();

  CallerBuffer shortBuffer(needed - 1);
  ULONG size = needed - 1;
  EXPECT_EQ(GetAdaptersInfo(shortBuffer.as<IP_ADAPTER_INFO>(), &size), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
  EXPECT_EQ(size, needed);
  EXPECT_TRUE(shortBuffer.Untouched());

  // A null buffer with a generous size is still only told the size.
  size = 1u << 20;
  EXPECT_EQ(GetAdaptersInfo(nullptr, &size), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
  EXPECT_EQ(size, needed);

  EXPECT_EQ(GetAdaptersInfo(nullptr, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  CallerBuffer buffer(needed);
  EXPECT_EQ(GetAdaptersInfo(buffer.as<IP_ADAPTER_INFO>(), nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(buffer.Untouched());
}

TEST_F(AdaptersInfo, NoAdapterIsNoDataAndFailuresPassThrough) {
  ULONG size = kSizeSentinel;
  CallerBuffer buffer(4096);
  EXPECT_EQ(GetAdaptersInfo(nullptr, &size), static_cast<DWORD>(ERROR_NO_DATA));
  EXPECT_EQ(GetAdaptersInfo(buffer.as<IP_ADAPTER_INFO>(), &size), static_cast<DWORD>(ERROR_NO_DATA));
  EXPECT_EQ(size, kSizeSentinel);

  provider_->SetAdapters({ScriptedAdapter(3, "eth0")});
  provider_->FailAdapters(ERROR_NOT_ENOUGH_MEMORY, 2);
  EXPECT_EQ(GetAdaptersInfo(nullptr, &size), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  size = 4096;
  EXPECT_EQ(GetAdaptersInfo(buffer.as<IP_ADAPTER_INFO>(), &size), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(size, 4096u);
  EXPECT_TRUE(buffer.Untouched());
  EXPECT_EQ(GetAdaptersInfo(buffer.as<IP_ADAPTER_INFO>(), &size), static_cast<DWORD>(NO_ERROR));
}

TEST_F(AdaptersInfo, FieldsArePackedAsPublished) {
  AdapterRecord a;
  a.index = 42;
  a.name = "enp3s0";
  a.description = "Intel Corporation Ethernet Connection";
  a.type = MIB_IF_TYPE_ETHERNET;
  a.hardwareAddress = {0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  a.addresses = {{"10.1.2.3", "255.255.255.0"}};
  a.gateways = {{"10.1.2.1", "255.255.255.255"}};
  a.dhcpEnabled = true;
  a.dhcpServer = "10.1.2.254";
  a.leaseObtained = 1700000000;
  a.leaseExpires = 1700086400;
  a.haveWins = true;
  a.primaryWins = "10.1.2.50";
  provider_->SetAdapters({a});

  ULONG size = SizeNeeded();
  CallerBuffer buffer(size);
  ASSERT_EQ(GetAdaptersInfo(buffer.as<IP_ADAPTER_INFO>(), &size), static_cast<DWORD>(NO_ERROR));
  const IP_ADAPTER_INFO& r = *buffer.as<IP_ADAPTER_INFO>();
  EXPECT_EQ(r.Next, nullptr);
  EXPECT_STREQ(r.AdapterName, "enp3s0");
  EXPECT_STREQ(r.Description, "Intel Corporation Ethernet Connection");
  EXPECT_EQ(r.Index, 42u);
  EXPECT_EQ(r.Type, static_cast<UINT>(MIB_IF_TYPE_ETHERNET));
  ASSERT_EQ(r.AddressLength, 6u);
  EXPECT_EQ(std::memcmp(r.Address, a.hardwareAddress.data(), 6), 0);
  EXPECT_EQ(r.Address[6], 0);
  EXPECT_EQ(r.DhcpEnabled, 1u);
  EXPECT_EQ(r.CurrentIpAddress, nullptr);
  EXPECT_STREQ(r.IpAddressList.IpAddress.String, "10.1.2.3");
  EXPECT_STREQ(r.IpAddressList.IpMask.String, "255.255.255.0");
  EXPECT_EQ(r.IpAddressList.Next, nullptr);
  EXPECT_STREQ(r.GatewayList.IpAddress.String, "10.1.2.1");
  EXPECT_STREQ(r.GatewayList.IpMask.String, "255.255.255.255");
  EXPECT_STREQ(r.DhcpServer.IpAddress.String, "10.1.2.254");
  EXPECT_EQ(r.DhcpServer.Next, nullptr);
  EXPECT_EQ(r.HaveWins, TRUE);
  EXPECT_STREQ(r.PrimaryWinsServer.IpAddress.String, "10.1.2.50");
  EXPECT_STREQ(r.SecondaryWinsServer.IpAddress.String, "");
  EXPECT_EQ(r.LeaseObtained, 1700000000);
  EXPECT_EQ(r.LeaseExpires, 1700086400);
}

TEST_F(AdaptersInfo, AdapterWithoutAddressReadsZeros) {
  AdapterRecord a = ScriptedAdapter(5, "eth5");
  a.hardwareAddress.clear();
  provider_->SetAdapters({a});
  ULONG size = SizeNeeded();
  EXPECT_EQ(size, sizeof(IP_ADAPTER_INFO));
  CallerBuffer buffer(size);
  ASSERT_EQ(GetAdaptersInfo(buffer.as<IP_ADAPTER_INFO>(), &size), static_cast<DWORD>(NO_ERROR));
  const IP_ADAPTER_INFO& r = *buffer.as<IP_ADAPTER_INFO>();
  EXPECT_STREQ(r.IpAddressList.IpAddress.String, "0.0.0.0");
  EXPECT_STREQ(r.IpAddressList.IpMask.String, "0.0.0.0");
  EXPECT_STREQ(r.GatewayList.IpAddress.String, "0.0.0.0");
  EXPECT_STREQ(r.GatewayList.IpMask.String, "0.0.0.0");
  EXPECT_EQ(r.AddressLength, 0u);
  EXPECT_EQ(r.DhcpEnabled, 0u);
  EXPECT_EQ(r.HaveWins, FALSE);
}

TEST_F(AdaptersInfo, OverlongFieldsAreCutAndTerminated) {
  AdapterRecord a = ScriptedAdapter(1, std::string(300, 'n'));
  // 130 ASCII bytes and a two-byte character: the character cannot fit in
  // the 131 bytes before the terminator and must not be split.
  a.description = std::string(130, 'd') + "\xC3\xA9" + "tail";
  a.addresses = {{"123.123.123.123.123", "255.255.255.255.255"}};
  a.dhcpServer = std::string(40, '9');
  a.hardwareAddress.assign(20, 0xAB);
  a.hardwareAddress[7] = 0x77;
  provider_->SetAdapters({a});
  ULONG size = SizeNeeded();
  CallerBuffer buffer(size);
  ASSERT_EQ(GetAdaptersInfo(buffer.as<IP_ADAPTER_INFO>(), &size), static_cast<DWORD>(NO_ERROR));
  EXPECT_TRUE(buffer.GuardUntouched());
  const IP_ADAPTER_INFO& r = *buffer.as<IP_ADAPTER_INFO>();
  EXPECT_EQ(std::string(r.AdapterName), std::string(sizeof r.AdapterName - 1, 'n'));
  EXPECT_EQ(std::string(r.Description), std::string(130, 'd'));
  EXPECT_STREQ(r.IpAddressList.IpAddress.String, "123.123.123.123");
  EXPECT_STREQ(r.IpAddressList.IpMask.String, "255.255.255.255");
  EXPECT_EQ(std::string(r.DhcpServer.IpAddress.String), std::string(15, '9'));
  // The true length stays, so a reader can tell only 8 bytes fit.
  EXPECT_EQ(r.AddressLength, 20u);
  EXPECT_EQ(r.Address[7], 0x77);
}

TEST_F(AdaptersInfo, LeaseTimesBeyondThirtyTwoBitsAreClamped) {
  AdapterRecord a = ScriptedAdapter(1, "eth0");
  a.dhcpEnabled = true;
  a.leaseObtained = -(std::int64_t{1} << 40);
  a.leaseExpires = std::int64_t{1} << 40;
  AdapterRecord b = ScriptedAdapter(2, "eth1");
  b.leaseObtained = -5;
  b.leaseExpires = INT32_MAX;
  provider_->SetAdapters({a, b});
  ULONG size = SizeNeeded();
  CallerBuffer buffer(size);
  ASSERT_EQ(GetAdaptersInfo(buffer.as<IP_ADAPTER_INFO>(), &size), static_cast<DWORD>(NO_ERROR));
  auto records = Walk(buffer, buffer.as<IP_ADAPTER_INFO>());
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]->LeaseObtained, INT32_MIN);
  EXPECT_EQ(records[0]->LeaseExpires, INT32_MAX);
  EXPECT_EQ(records[1]->LeaseObtained, -5);
  EXPECT_EQ(records[1]->LeaseExpires, INT32_MAX);
}

TEST_F(AdaptersInfo, MisalignedBufferIsRefused) {
  provider_->SetAdapters({ScriptedAdapter(1, "a")});
  ULONG size = SizeNeeded();
  CallerBuffer buffer(size + 8);
  auto* odd = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.as<unsigned char>() + 1);
  EXPECT_EQ(GetAdaptersInfo(odd, &size), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(buffer.Untouched());
}

class PerAdapterInfo : public testing::WithProvider<ScriptedProvider> {
 protected:
  void SetUp() override {
    WithProvider::SetUp();
    provider_->SetAdapters({ScriptedAdapter(7, "eth0", "10.0.0.2")});
  }
  // Both calls; the DNS addresses of the chain, or the error.
  std::vector<std::string> Dns(ULONG index, DWORD* error = nullptr) {
    ULONG size = 0;
    GetPerAdapterInfo(index, nullptr, &size);
    buffer_ = std::make_unique<CallerBuffer>(size);
    DWORD err = GetPerAdapterInfo(index, buffer_->as<IP_PER_ADAPTER_INFO>(), &size);
    if (error) *error = err;
    if (err != NO_ERROR) return {};
    EXPECT_TRUE(buffer_->GuardUntouched());
    const IP_PER_ADAPTER_INFO* info = buffer_->as<IP_PER_ADAPTER_INFO>();
    for (const IP_ADDR_STRING* e = info->DnsServerList.Next; e != nullptr; e = e->Next) {
      EXPECT_TRUE(buffer_->Contains(e, sizeof *e));
    }
    return Addresses(info->DnsServerList);
  }
  std::unique_ptr<CallerBuffer> buffer_;
};

TEST_F(PerAdapterInfo, DnsChainOfNoneOneAndThree) {
  // No server still gives the first entry, with an empty address.
  EXPECT_EQ(Dns(7), std::vector<std::string>{""});
  EXPECT_EQ(buffer_->size(), sizeof(IP_PER_ADAPTER_INFO));

  provider_->SetDnsServers(7, {"10.0.0.53"});
  EXPECT_EQ(Dns(7), std::vector<std::string>{"10.0.0.53"});

  provider_->SetDnsServers(7, {"1.1.1.1", "8.8.8.8", "9.9.9.9"});
  EXPECT_EQ(Dns(7), (std::vector<std::string>{"1.1.1.1", "8.8.8.8", "9.9.9.9"}));
  EXPECT_EQ(buffer_->size(), sizeof(IP_PER_ADAPTER_INFO) + 2 * sizeof(IP_ADDR_STRING));
}

TEST_F(PerAdapterInfo, UnknownIndexIsNoDataAndFailuresTouchNothing) {
  ULONG size = kSizeSentinel;
  EXPECT_EQ(GetPerAdapterInfo(99, nullptr, &size), static_cast<DWORD>(ERROR_NO_DATA));
  EXPECT_EQ(size, kSizeSentinel);
  EXPECT_EQ(GetPerAdapterInfo(7, nullptr, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  provider_->SetDnsServers(7, {"1.1.1.1", "8.8.8.8"});
  CallerBuffer buffer(sizeof(IP_PER_ADAPTER_INFO));
  size = buffer.size();
  EXPECT_EQ(GetPerAdapterInfo(7, buffer.as<IP_PER_ADAPTER_INFO>(), &size),
            static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
  EXPECT_EQ(size, sizeof(IP_PER_ADAPTER_INFO) + sizeof(IP_ADDR_STRING));
  EXPECT_TRUE(buffer.Untouched());

  provider_->FailDnsServers(ERROR_GEN_FAILURE, 1);
  size = buffer.size();
  EXPECT_EQ(GetPerAdapterInfo(7, buffer.as<IP_PER_ADAPTER_INFO>(), &size), static_cast<DWORD>(ERROR_GEN_FAILURE));
  EXPECT_EQ(size, buffer.size());
  EXPECT_TRUE(buffer.Untouched());
}

TEST(CopyField, CutsOnlyWhereItMust) {
  char field[8];
  CopyField(field, sizeof field, "1234567");  // fits exactly
  EXPECT_STREQ(field, "1234567");
  CopyField(field, sizeof field, "12345678");
  EXPECT_STREQ(field, "1234567");
  // A three-byte character straddling the cut goes whole; one that ends
  // right at the cut stays.
  CopyField(field, sizeof field, "12345\xE2\x82\xAC");
  EXPECT_STREQ(field, "12345");
  CopyField(field, sizeof field, "1234\xE2\x82\xAC" "x");
  EXPECT_STREQ(field, "1234\xE2\x82\xAC");
  CopyField(field, sizeof field, "1234\xF0\x9F\x98\x80");  // would keep three of its four bytes
  EXPECT_STREQ(field, "1234");
  // Bytes that are not UTF-8 are cut where the field ends.
  CopyField(field, sizeof field, "\xB0\xB0\xB0\xB0\xB0\xB0\xB0\xB0\xB0");
  EXPECT_EQ(std::strlen(field), 7u);
}

}  // namespace
}  // namespace lorvane::iphlp
