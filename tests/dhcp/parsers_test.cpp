// The parsers of what DHCP clients write (dhclient's lease files and command
// lines, dhcpcd's dump, networkd's JSON) against their real output, and
// against text that is cut short, garbled or hostile: never a wrong value.
#include <gtest/gtest.h>

#include <string>

#include "platform/iphlp/dhcp/dhclient_client.h"
#include "platform/iphlp/dhcp/dhcpcd_output.h"
#include "platform/iphlp/dhcp/json.h"
#include "platform/iphlp/dhcp/lease_file.h"

namespace lorvane::iphlp::dhcp {
namespace {

// Cut down from what dhclient 4.4 wrote for a lease from a test server, then a
// release: the second block is the released lease, expiring at once. Whole
// files of every option are read in EndToEnd.Dhclient.
const std::string kBoundThenReleased =
    R"(default-duid "\000\001\000\001,\377\321\033\022\272\036o\325\262";
lease {
  interface "lvxc";
  fixed-address 10.77.0.58;
  option routers 10.77.0.1;
  option dhcp-lease-time 120;
  option domain-name-servers 10.77.0.2,10.77.0.3;
  option dhcp-server-identifier 10.77.0.1;
  option host-name "vm";
  option netbios-name-servers 10.77.0.4,10.77.0.5;
  renew 0 2026/12/06 19:43:25;
  expire 0 2026/12/06 19:44:25;
}
lease {
  interface "lvxc";
  fixed-address 10.77.0.58;
  option dhcp-server-identifier 10.77.0.1;
  expire 0 2026/12/06 19:42:29;
}
)";

// One lease block for `name` around the given statements.
std::string Block(const std::string& statements, const std::string& name = "eth0") {
  return "lease {\n  interface \"" + name + "\";\n  fixed-address 192.168.1.20;\n" + statements +
         "  expire 1 2026/12/07 10:00:00;\n}\n";
}

// The times of a real file, in UTC (the lab's real dhclient shows every other
// field: EndToEnd.Dhclient); and whatever prefix of it is read (dhclient
// appending as we read), a lease that reads as well formed is exactly the one
// in the whole file.
TEST(LeaseFile, ReadsARealFileAndNoWrongLeaseFromAPrefix) {
  LeaseFile file = ParseLeaseFile(kBoundThenReleased);
  EXPECT_FALSE(file.damaged);
  ASSERT_EQ(file.leases.size(), 2u);
  EXPECT_TRUE(file.leases[0].wellFormed);
  EXPECT_EQ(file.leases[0].expire, 1796586265);
  const Lease& released = file.leases[1];
  EXPECT_TRUE(released.wellFormed);
  EXPECT_EQ(released.expire, 1796586149);
  EXPECT_TRUE(released.winsServers.empty());

  for (std::size_t n = 0; n < kBoundThenReleased.size(); ++n) {
    SCOPED_TRACE(n);
    LeaseFile part = ParseLeaseFile(std::string_view(kBoundThenReleased).substr(0, n));
    ASSERT_LE(part.leases.size(), file.leases.size());
    for (std::size_t i = 0; i < part.leases.size(); ++i) {
      const Lease& got = part.leases[i];
      if (!got.wellFormed) {
        EXPECT_TRUE(part.damaged);  // only a cut can spoil a block dhclient wrote
        continue;
      }
      EXPECT_EQ(got.address, file.leases[i].address);
      EXPECT_EQ(got.expire, file.leases[i].expire);
      EXPECT_EQ(got.dnsServers, file.leases[i].dnsServers);
      EXPECT_EQ(got.winsServers, file.leases[i].winsServers);
    }
  }
}

// The other time forms, what is not an IPv4 lease, and the three things a
// lease needs: an interface, an address and an expiry.
TEST(LeaseFile, ReadsHandWrittenBlocks) {
  LeaseFile file = ParseLeaseFile(
      "# written by hand\n"
      "lease6 { interface \"eth0\"; ia-na 1a:2b { starts 1; iaaddr fe80::1 { starts 2; } } }\n"
      "lease {\n  interface \"eth0\";\n  fixed-address 10.0.0.9;\n"
      "  option domain-name \"odd \\\"name\\\" { } ; # not a comment\";\n"
      "  renew epoch 1796586205; # Sun Dec 06 19:43:25 2026\n"
      "  expire never;\n}\n"
      "lease { fixed-address 10.0.0.1; expire never; }\n"
      "lease { interface \"eth0\"; expire never; }\n"
      "lease { interface \"eth0\"; fixed-address 10.0.0.1; }\n"
      "lease { interface \"-rf\"; fixed-address 10.0.0.1; expire never; }\n");
  EXPECT_FALSE(file.damaged);
  ASSERT_EQ(file.leases.size(), 5u);
  EXPECT_TRUE(file.leases[0].wellFormed);
  EXPECT_EQ(file.leases[0].renew, 1796586205);
  EXPECT_EQ(file.leases[0].expire, kNever);
  EXPECT_EQ(file.leases[0].leaseTime, -1);
  for (std::size_t i = 1; i < 5; ++i) EXPECT_FALSE(file.leases[i].wellFormed) << i;
  EXPECT_EQ(file.leases[2].interfaceName, "eth0");
  EXPECT_EQ(file.leases[4].interfaceName, "");  // not a name to hand on
}

// Each of these makes its block unusable; the block is still seen (with its
// interface where that was readable) and the next block is read as usual.
TEST(LeaseFile, MarksAMalformedBlockAndGoesOnWithTheNext) {
  std::string servers = "10.0.0.1";  // more than one option can carry
  for (int i = 2; i <= 64; ++i) servers += ",10.0.0." + std::to_string(i);
  for (const std::string& statement : std::initializer_list<std::string>{
           "  option domain-name-servers 10.0.0.1,;\n",          // trailing comma
           "  option domain-name-servers 10.0.0.1 10.0.0.2;\n",  // no comma
           "  option domain-name-servers 10.0.0.01;\n",  // leading zero: octal to some readers
           "  option domain-name-servers " + servers + ";\n",
           "  option dhcp-server-identifier 10.0.0.1,10.0.0.2;\n",
           "  option dhcp-server-identifier \"10.0.0.1\";\n",
           "  option netbios-name-servers;\n",
           "  option dhcp-lease-time 4294967296;\n",
           "  option dhcp-lease-time -5;\n",
           "  option dhcp-lease-time 9999999999999999999;\n",  // past 64 bits, not wrapped
           "  fixed-address 192.168.1.21;\n",                  // a second address
           "  renew 7 2026/12/07 09:00:00;\n",                 // weekday out of range
           "  renew 1 2026/02/29 09:00:00;\n",                 // not a leap year
           "  renew 1 2026/12/07 24:00:00;\n",
           "  renew 1 2026/12/07 9:00:00;\n",
           "  renew epoch 12x;\n",
           "  rebind;\n",
           "  \"interface\" \"eth0\";\n",
           "  option host-name \"x\" { nested; }\n",
           "  option host-name \"x\"\n",  // no ';' before the block ends
       }) {
    LeaseFile file = ParseLeaseFile(Block(statement) + Block("", "eth1"));
    ASSERT_EQ(file.leases.size(), 2u) << statement;
    EXPECT_FALSE(file.leases[0].wellFormed) << statement;
    EXPECT_TRUE(file.leases[0].address.empty()) << statement;
    EXPECT_TRUE(file.leases[1].wellFormed) << statement;
    EXPECT_EQ(file.leases[1].interfaceName, "eth1") << statement;
  }
}

TEST(LeaseFile, DamageStopsTheReadingAndIsReported) {
  std::string big;
  while (big.size() <= kMaxLeaseFileBytes) big += Block("");
  EXPECT_TRUE(ParseLeaseFile(big).leases.empty());
  for (const std::string& text : {
           Block("") + "}\n" + Block("", "eth1"),  // a stray brace
           Block("") + "lease { interface \"eth1",
           Block("  option host-name \"\\9\";\n"),  // not an escape
           Block("") + "default-duid \"x\"",           // no ';'
           "x " + std::string(100, '{') + std::string(100, '}'),
           Block("  option x " + std::string(300, 'a') + ";\n"),
           big,
       }) {
    EXPECT_TRUE(ParseLeaseFile(text).damaged) << text.substr(0, 80);
  }
}

TEST(LeaseFile, DottedQuadsAreStrict) {
  for (const char* good : {"0.0.0.0", "255.255.255.255", "10.0.0.1"})
    EXPECT_TRUE(IsDottedQuad(good)) << good;
  for (const char* bad : {"", "1.2.3", "1.2.3.4.", "1.2.3.4.5", "256.0.0.1", "01.2.3.4", "1..3.4",
                          " 1.2.3.4", "1.2.3.4 ", "1.2.3.-4", "1.2.3.1000"}) {
    EXPECT_FALSE(IsDottedQuad(bad)) << bad;
  }
}

TEST(DhclientConfiguration, OnlyTopLevelInterfaceBlocksConfigureALink) {
  auto names = ConfiguredInterfaces(
      "# interface \"commented\" { }\n"
      "request subnet-mask, routers;\n"
      "interface \"eth0\" { send host-name \"a\"; }\n"
      "lease { interface \"eth9\"; fixed-address 10.0.0.1; }\n"
      "alias { interface \"eth8\" { } }\n"
      "interface \"wlan0\" {\n  request routers;\n}\n"
      "interface \"bad name\" { }\n");
  EXPECT_EQ(names, (std::vector<std::string>{"eth0", "wlan0"}));
}

TEST(DhclientCommandLine, NamesTheLinksAndFilesOfAClient) {
  auto c =
      ParseDhclientCommand({"/sbin/dhclient", "-4", "-v", "-i", "-pf", "/run/dhclient.eth0.pid",
                            "-lf", "/var/lib/dhcp/dhclient.eth0.leases", "-I", "-df",
                            "/var/lib/dhcp/dhclient6.eth0.leases", "-e", "A=b", "eth0"});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->interfaces, (std::vector<std::string>{"eth0"}));
  EXPECT_EQ(c->pidFile, "/run/dhclient.eth0.pid");
  EXPECT_EQ(c->leaseFile, "/var/lib/dhcp/dhclient.eth0.leases");
  EXPECT_FALSE(c->ipv6);
  EXPECT_FALSE(c->stopping);

  // Option arguments are not links, even when they look like names.
  auto s = ParseDhclientCommand(
      {"dhclient", "-s", "server1", "-p", "68", "-cf", "conf", "-sf", "sc", "eth1", "eth2"});
  ASSERT_TRUE(s);
  EXPECT_EQ(s->interfaces, (std::vector<std::string>{"eth1", "eth2"}));

  EXPECT_TRUE(ParseDhclientCommand({"dhclient", "-6", "eth0"})->ipv6);
  EXPECT_TRUE(ParseDhclientCommand({"dhclient", "-r", "eth0"})->stopping);
  EXPECT_FALSE(ParseDhclientCommand({"dhclient", "eth0", "-lf"}));
}

// Cut down from `dhcpcd -4 -U lvc0` for a lease from the lab's dnsmasq.
const std::string kBound = R"(reason=BOUND
interface=lvc0
protocol=dhcp
ip_address=10.77.1.49
subnet_cidr=16
routers=10.77.0.1
domain_name_servers=10.77.0.2 10.77.0.3
netbios_name_servers=10.77.0.4 10.77.0.5
dhcp_lease_time=120
dhcp_server_identifier=10.77.0.1
skip_hooks=resolv.conf  hostname  timesyncd  ntp
)";

std::string Replaced(const std::string& from, const std::string& to) {
  std::string text = kBound;
  text.replace(text.find(from), from.size(), to);
  return text;
}

// What a real dump carries, the lab's real dhcpcd shows (EndToEnd.Dhcpcd).
TEST(DhcpcdOutput, ReadsARealDumpAndRefusesAnythingElse) {
  ASSERT_TRUE(ParseDhcpcdOutput(kBound, "lvc0"));
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

// Escapes and numbers at their limits; what networkd's own description of a
// link carries, EndToEnd.Networkd reads.
TEST(Json, ReadsADescriptionAndRefusesAnythingElse) {
  auto doc = ParseJson(
      R"({"Index":2,"Name":"lv\u00e9\ud83d\ude00","Flags":-1,"Usec":18446744073709551615,)"
      R"("Big":18446744073709551616,"Addresses":[{"Family":2,"Address":[10,77,1,9]}],"X":null})");
  ASSERT_TRUE(doc);
  std::uint64_t value = 0;
  EXPECT_EQ(*doc->String("Name"), "lv\xc3\xa9\xf0\x9f\x98\x80");
  EXPECT_FALSE(doc->Unsigned("Flags", value));  // not usable as a count
  EXPECT_TRUE(doc->Unsigned("Usec", value));
  EXPECT_EQ(value, UINT64_MAX);
  EXPECT_FALSE(doc->Unsigned("Big", value));
  EXPECT_EQ(doc->String("Index"), nullptr);

  for (const std::string& bad : std::initializer_list<std::string>{
           "", R"({"a":1,"a":2})", "{\"a\":\"x\ny\"}", R"({"a":1} x)", R"({"a":1,})",
           R"([1,])", R"({"a":01})", R"({"a":1.})", R"({"a":"\ud800"})", R"({"a":"\x"})",
           R"({'a':1})", R"({"a":tru})", std::string(40, '[') + std::string(40, ']'),
           "\"" + std::string(kMaxJsonBytes, 'a') + "\""}) {
    EXPECT_FALSE(ParseJson(bad)) << bad.substr(0, 60);
  }
}

}  // namespace
}  // namespace lorvane::iphlp::dhcp
