#include "ip_helper_view.h"
#include "dhcp_lab.h"

#include <gtest/gtest.h>

namespace lorvane::test {

Seen Adapter(const std::string& name) {
  Seen seen;
  ULONG size = 0;
  GetAdaptersInfo(nullptr, &size);
  std::vector<unsigned char> buffer(size);
  auto* info = reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data());
  EXPECT_EQ(GetAdaptersInfo(info, &size), static_cast<DWORD>(NO_ERROR));
  for (auto* a = info; a && size; a = a->Next) {
    if (name != a->AdapterName) continue;
    seen.found = true;
    seen.index = a->Index;
    seen.dhcpEnabled = a->DhcpEnabled;
    seen.address = a->CurrentIpAddress ? a->CurrentIpAddress->IpAddress.String
                                       : a->IpAddressList.IpAddress.String;
    seen.gateway = a->GatewayList.IpAddress.String;
    seen.dhcpServer = a->DhcpServer.IpAddress.String;
    seen.haveWins = a->HaveWins;
    seen.wins1 = a->PrimaryWinsServer.IpAddress.String;
    seen.wins2 = a->SecondaryWinsServer.IpAddress.String;
    seen.obtained = a->LeaseObtained;
    seen.expires = a->LeaseExpires;
  }
  return seen;
}

std::vector<std::string> DnsServers(DWORD index) {
  ULONG size = 0;
  GetPerAdapterInfo(index, nullptr, &size);
  std::vector<unsigned char> buffer(size);
  auto* info = reinterpret_cast<PIP_PER_ADAPTER_INFO>(buffer.data());
  std::vector<std::string> out;
  if (GetPerAdapterInfo(index, info, &size) != NO_ERROR) return out;
  for (auto* s = &info->DnsServerList; s; s = s->Next) out.emplace_back(s->IpAddress.String);
  return out;
}

DWORD Release(const std::string& name) {
  IP_ADAPTER_INDEX_MAP entry{};
  entry.Index = Adapter(name).index;
  return IpReleaseAddress(&entry);
}

DWORD Renew(const std::string& name) {
  IP_ADAPTER_INDEX_MAP entry{};
  entry.Index = Adapter(name).index;
  return IpRenewAddress(&entry);
}

void ExpectLabLease(const Seen& a, int slack) {
  ASSERT_TRUE(a.found);
  EXPECT_EQ(a.dhcpEnabled, 1u);
  EXPECT_EQ(a.address.rfind("10.77.1.", 0), 0u) << a.address;
  EXPECT_EQ(a.gateway, DhcpLab::kRouter);
  EXPECT_EQ(a.dhcpServer, DhcpLab::kRouter);
  EXPECT_NEAR(a.expires - a.obtained, DhcpLab::kLeaseSeconds, slack);
  EXPECT_EQ(DnsServers(a.index), (std::vector<std::string>{DhcpLab::kDns1, DhcpLab::kDns2}));
}

void ExpectReleased(const Seen& released, const std::vector<std::string>& dns) {
  EXPECT_EQ(released.address, "0.0.0.0");
  EXPECT_EQ(released.dhcpEnabled, 1u);
  EXPECT_EQ(released.dhcpServer, "");
  EXPECT_EQ(released.expires, 0);
  EXPECT_FALSE(released.haveWins);
  EXPECT_EQ(DnsServers(released.index), dns);
}

}  // namespace lorvane::test
