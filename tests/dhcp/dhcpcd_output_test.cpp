// dhcpcd's dump as dhcpcd 9.4 prints it, and text that is cut short, garbled
// or hostile: never a wrong value, only no report.
#include "platform/iphlp/dhcp/dhcpcd_output.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/iphlp/dhcp/lease_file.h"

namespace lorvane::iphlp::dhcp {
namespace {

// `dhcpcd -4 -U lvc0` for a lease from the lab's dnsmasq.
const std::string kBound = R"(reason=BOUND
interface=lvc0
protocol=dhcp
ip_address=10.77.1.49
subnet_cidr=16
network_number=10.77.0.0
subnet_mask=255.255.0.0
routers=10.77.0.1
domain_name_servers=10.77.0.2 10.77.0.3
broadcast_address=10.77.255.255
netbios_name_servers=10.77.0.4 10.77.0.5
dhcp_lease_time=120
dhcp_message_type=5
dhcp_server_identifier=10.77.0.1
dhcp_renewal_time=60
dhcp_rebinding_time=105
skip_hooks=resolv.conf  hostname  timesyncd  ntp
)";

std::string Replaced(const std::string& from, const std::string& to) {
  std::string text = kBound;
  text.replace(text.find(from), from.size(), to);
  return text;
}

TEST(DhcpcdOutput, ReadsARealDumpAndRefusesAnythingElse) {
  auto report = ParseDhcpcdOutput(kBound, "lvc0");
  ASSERT_TRUE(report);
  EXPECT_TRUE(report->leased);
  EXPECT_EQ(report->address, "10.77.1.49");
  EXPECT_EQ(report->server, "10.77.0.1");
  EXPECT_EQ(report->leaseTime, 120);
  EXPECT_EQ(report->dnsServers, (std::vector<std::string>{"10.77.0.2", "10.77.0.3"}));
  EXPECT_EQ(report->winsServers, (std::vector<std::string>{"10.77.0.4", "10.77.0.5"}));
  EXPECT_EQ(ParseDhcpcdOutput(Replaced("dhcp_lease_time=120", "dhcp_lease_time=4294967295"), "lvc0")
                ->leaseTime,
            kNever);
  // A link with no lease is still dhcpcd's.
  auto expired = ParseDhcpcdOutput("reason=EXPIRE\ninterface=lvc0\n", "lvc0");
  ASSERT_TRUE(expired);
  EXPECT_FALSE(expired->leased);
  EXPECT_TRUE(expired->address.empty());

  std::string many = "domain_name_servers=1.1.1.1";
  for (int i = 0; i < 63; ++i) many += " 1.1.1.1";
  std::string huge = kBound + "domain_name=" + std::string(kMaxDhcpcdOutputBytes, 'a') + "\n";
  for (const std::string& bad : {
           std::string(),
           kBound.substr(0, kBound.size() - 1),                       // cut short
           kBound + "\n",                                             // an empty line
           kBound + "interface=lvc1\n",                               // said twice
           Replaced("interface=lvc0", "interface=lvc1"),              // another link
           Replaced("protocol=dhcp", "protocol=ipv4ll"),
           Replaced("protocol=dhcp\n", ""),
           Replaced("reason=BOUND", "reason=bound;rm"),
           Replaced("ip_address=10.77.1.49", "ip_address=10.77.1.049"),
           Replaced("ip_address=10.77.1.49\n", ""),
           Replaced("10.77.0.2 10.77.0.3", "10.77.0.2  10.77.0.3"),
           Replaced("10.77.0.2 10.77.0.3", "10.77.0.2 "),
           Replaced("10.77.0.4 10.77.0.5", "10.77.0.4,10.77.0.5"),
           Replaced("domain_name_servers=10.77.0.2 10.77.0.3", many),
           Replaced("dhcp_server_identifier=10.77.0.1", "dhcp_server_identifier=evil"),
           Replaced("dhcp_lease_time=120", "dhcp_lease_time=4294967296"),
           Replaced("dhcp_lease_time=120", "dhcp_lease_time=0120"),
           Replaced("dhcp_lease_time=120", "dhcp_lease_time=-1"),
           Replaced("routers=10.77.0.1", "routers=10.77.0.1\r"),
           Replaced("subnet_cidr=16", std::string("subnet_cidr=1\0" "6", 14)),
           Replaced("subnet_cidr=16", "Subnet_cidr=16"),
           Replaced("subnet_cidr=16", "subnet cidr=16"),
           huge,
       }) {
    EXPECT_FALSE(ParseDhcpcdOutput(bad, "lvc0")) << bad;
  }
}

}  // namespace
}  // namespace lorvane::iphlp::dhcp
