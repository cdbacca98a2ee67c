// The lease parser against what dhclient really writes, and against text that
// is cut short, garbled or hostile.
#include "platform/iphlp/dhcp/lease_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/iphlp/dhcp/dhclient_client.h"

namespace lorvane::iphlp::dhcp {
namespace {

// Written by dhclient 4.4 for a lease from a test server, then a release:
// the second block is the released lease, expiring at once.
const std::string kBoundThenReleased =
    R"(default-duid "\000\001\000\001,\377\321\033\022\272\036o\325\262";
lease {
  interface "lvxc";
  fixed-address 10.77.0.58;
  option subnet-mask 255.255.255.0;
  option routers 10.77.0.1;
  option dhcp-lease-time 120;
  option dhcp-message-type 5;
  option domain-name-servers 10.77.0.2,10.77.0.3;
  option dhcp-server-identifier 10.77.0.1;
  option dhcp-renewal-time 60;
  option broadcast-address 10.77.0.255;
  option dhcp-rebinding-time 105;
  option host-name "vm";
  option netbios-name-servers 10.77.0.4,10.77.0.5;
  renew 0 2026/12/06 19:43:25;
  rebind 0 2026/12/06 19:44:10;
  expire 0 2026/12/06 19:44:25;
}
lease {
  interface "lvxc";
  fixed-address 10.77.0.58;
  option dhcp-lease-time 120;
  option dhcp-server-identifier 10.77.0.1;
  option domain-name-servers 10.77.0.2,10.77.0.3;
  renew 0 2026/12/06 19:42:29;
  rebind 0 2026/12/06 19:42:29;
  expire 0 2026/12/06 19:42:29;
}
)";

// One lease block for `name` around the given statements.
std::string Block(const std::string& statements, const std::string& name = "eth0") {
  return "lease {\n  interface \"" + name + "\";\n  fixed-address 192.168.1.20;\n" + statements +
         "  expire 1 2026/12/07 10:00:00;\n}\n";
}

TEST(LeaseFile, ReadsEveryFieldOfARealFile) {
  LeaseFile file = ParseLeaseFile(kBoundThenReleased);
  EXPECT_FALSE(file.damaged);
  ASSERT_EQ(file.leases.size(), 2u);
  const Lease& bound = file.leases[0];
  EXPECT_TRUE(bound.wellFormed);
  EXPECT_EQ(bound.interfaceName, "lvxc");
  EXPECT_EQ(bound.address, "10.77.0.58");
  EXPECT_EQ(bound.server, "10.77.0.1");
  EXPECT_EQ(bound.dnsServers, (std::vector<std::string>{"10.77.0.2", "10.77.0.3"}));
  EXPECT_EQ(bound.winsServers, (std::vector<std::string>{"10.77.0.4", "10.77.0.5"}));
  EXPECT_EQ(bound.leaseTime, 120);
  EXPECT_EQ(bound.renew, 1796586205);
  EXPECT_EQ(bound.rebind, 1796586250);
  EXPECT_EQ(bound.expire, 1796586265);
  const Lease& released = file.leases[1];
  EXPECT_TRUE(released.wellFormed);
  EXPECT_EQ(released.expire, 1796586149);
  EXPECT_TRUE(released.winsServers.empty());
}

TEST(LeaseFile, ReadsTheOtherTimeFormsAndSkipsWhatIsNotAnIpv4Lease) {
  std::string text =
      "# written by hand\n"
      "lease6 { interface \"eth0\"; ia-na 1a:2b { starts 1; iaaddr fe80::1 { starts 2; } } }\n" +
      std::string(
          "lease {\n  interface \"eth0\";\n  fixed-address 10.0.0.9;\n"
          "  option domain-name \"odd \\\"name\\\" { } ; # not a comment\";\n"
          "  renew epoch 1796586205; # Sun Dec 06 19:43:25 2026\n"
          "  expire never;\n}\n");
  LeaseFile file = ParseLeaseFile(text);
  EXPECT_FALSE(file.damaged);
  ASSERT_EQ(file.leases.size(), 1u);
  EXPECT_TRUE(file.leases[0].wellFormed);
  EXPECT_EQ(file.leases[0].renew, 1796586205);
  EXPECT_EQ(file.leases[0].expire, kNever);
  EXPECT_EQ(file.leases[0].leaseTime, -1);
}

// Each of these makes its block unusable; the block is still seen (with its
// interface where that was readable) and the next block is read as usual.
TEST(LeaseFile, MarksAMalformedBlockAndGoesOnWithTheNext) {
  const std::vector<std::string> bad = {
      "  option domain-name-servers 10.0.0.1,;\n",          // trailing comma
      "  option domain-name-servers 10.0.0.1 10.0.0.2;\n",  // no comma
      "  option domain-name-servers 10.0.0.256;\n",
      "  option domain-name-servers 10.0.0.01;\n",  // leading zero: octal to some readers
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
  };
  for (const auto& statement : bad) {
    SCOPED_TRACE(statement);
    LeaseFile file = ParseLeaseFile(Block(statement) + Block("", "eth1"));
    ASSERT_EQ(file.leases.size(), 2u);
    EXPECT_FALSE(file.leases[0].wellFormed);
    EXPECT_TRUE(file.leases[0].address.empty());
    EXPECT_TRUE(file.leases[1].wellFormed);
    EXPECT_EQ(file.leases[1].interfaceName, "eth1");
  }
}

TEST(LeaseFile, NeedsAnInterfaceAnAddressAndAnExpiry) {
  LeaseFile file = ParseLeaseFile(
      "lease { fixed-address 10.0.0.1; expire never; }\n"
      "lease { interface \"eth0\"; expire never; }\n"
      "lease { interface \"eth0\"; fixed-address 10.0.0.1; }\n"
      "lease { interface \"-rf\"; fixed-address 10.0.0.1; expire never; }\n");
  ASSERT_EQ(file.leases.size(), 4u);
  for (const auto& lease : file.leases) EXPECT_FALSE(lease.wellFormed);
  EXPECT_EQ(file.leases[1].interfaceName, "eth0");
  EXPECT_EQ(file.leases[3].interfaceName, "");  // not a name to hand on
}

// Whatever prefix of a real file is read (dhclient appending as we read), a
// lease that reads as well formed is exactly the one in the whole file.
TEST(LeaseFile, APrefixNeverYieldsAWrongLease) {
  LeaseFile whole = ParseLeaseFile(kBoundThenReleased);
  for (std::size_t n = 0; n < kBoundThenReleased.size(); ++n) {
    SCOPED_TRACE(n);
    LeaseFile part = ParseLeaseFile(std::string_view(kBoundThenReleased).substr(0, n));
    ASSERT_LE(part.leases.size(), whole.leases.size());
    for (std::size_t i = 0; i < part.leases.size(); ++i) {
      const Lease& got = part.leases[i];
      if (!got.wellFormed) {
        EXPECT_TRUE(part.damaged);  // only a cut can spoil a block dhclient wrote
        continue;
      }
      EXPECT_EQ(got.address, whole.leases[i].address);
      EXPECT_EQ(got.expire, whole.leases[i].expire);
      EXPECT_EQ(got.dnsServers, whole.leases[i].dnsServers);
      EXPECT_EQ(got.winsServers, whole.leases[i].winsServers);
    }
  }
}

TEST(LeaseFile, DamageStopsTheReadingAndIsReported) {
  EXPECT_TRUE(ParseLeaseFile(Block("") + "}\n" + Block("", "eth1")).damaged);  // stray brace
  EXPECT_TRUE(ParseLeaseFile(Block("") + "lease { interface \"eth1").damaged);
  EXPECT_TRUE(ParseLeaseFile(Block("  option host-name \"\\9\";\n")).damaged);  // not an escape
  EXPECT_TRUE(ParseLeaseFile(Block("") + "default-duid \"x\"").damaged);        // no ';'
  std::string deep = "x " + std::string(100, '{') + std::string(100, '}');
  EXPECT_TRUE(ParseLeaseFile(deep).damaged);
  std::string longWord = Block("  option x " + std::string(300, 'a') + ";\n");
  EXPECT_TRUE(ParseLeaseFile(longWord).damaged);

  LeaseFile ok = ParseLeaseFile(Block("") + Block("", "eth1"));
  EXPECT_FALSE(ok.damaged);
  EXPECT_EQ(ok.leases.size(), 2u);
}

TEST(LeaseFile, RefusesWhatIsTooBigToBeALeaseFile) {
  std::string block = Block("");
  std::string big;
  while (big.size() <= kMaxLeaseFileBytes) big += block;
  LeaseFile file = ParseLeaseFile(big);
  EXPECT_TRUE(file.damaged);
  EXPECT_TRUE(file.leases.empty());

  std::string servers;
  for (int i = 0; i < 64; ++i)
    servers += (i ? "," : "") + std::string("10.0.0.") + std::to_string(i + 1);
  LeaseFile many = ParseLeaseFile(Block("  option domain-name-servers " + servers + ";\n"));
  ASSERT_EQ(many.leases.size(), 1u);
  EXPECT_FALSE(many.leases[0].wellFormed);  // more than one option can carry
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

}  // namespace
}  // namespace lorvane::iphlp::dhcp
