// The parsers of what DHCP clients write (dhclient's lease files and command
// lines, dhcpcd's lease file, networkd's JSON) and of the daemons' answers on
// the bus, against their real output, and against text that is cut short,
// garbled or hostile: never a wrong value.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <array>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "platform/iphlp/dhcp/dhclient_client.h"
#include "platform/iphlp/dhcp/json.h"
#include "platform/iphlp/dhcp/lease_file.h"
#include "platform/iphlp/dhcp/replies.h"

namespace lorvane::iphlp::dhcp {
namespace {

constexpr std::int64_t kNow = 1796586000;  // 2026-12-06 19:40:00 UTC
using Texts = std::vector<std::string>;

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

auto Values(const Lease& l) { return std::tie(l.address, l.expire, l.dnsServers, l.winsServers); }

// The times of a real file, in UTC (the lab's real dhclient shows every other
// field: EndToEnd.Dhclient); and whatever prefix of it is read (dhclient
// appending as we read), a lease that reads as well formed is exactly the one
// in the whole file.
TEST(LeaseFile, ReadsARealFileAndNoWrongLeaseFromAPrefix) {
  LeaseFile file = ParseLeaseFile(kBoundThenReleased);
  EXPECT_FALSE(file.damaged);
  ASSERT_EQ(file.leases.size(), 2u);
  const Lease &bound = file.leases[0], &released = file.leases[1];
  EXPECT_EQ(std::tie(bound.wellFormed, bound.expire, released.wellFormed, released.expire,
                     released.winsServers),
            std::make_tuple(true, 1796586265, true, 1796586149, Texts{}));

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
      EXPECT_EQ(Values(got), Values(file.leases[i]));
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
  const Lease& first = file.leases[0];
  EXPECT_EQ(std::tie(first.wellFormed, first.renew, first.expire, first.leaseTime),
            std::make_tuple(true, 1796586205, kNever, -1));
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

// The expiry as dhclient writes it, read through the whole parser, against
// the C library's own conversion: every month's first and last day in
// common, leap and century years, the turn of each year, the last second a
// signed 32-bit count holds and the one after, and the far future. Days a
// month lacks are refused.
TEST(LeaseFile, DatesAcrossTheCalendarAgreeWithTheCLibrary) {
  auto expiry = [](int y, int mo, int d, int h, int mi, int se) -> std::optional<std::int64_t> {
    char line[64];
    std::snprintf(line, sizeof line, "3 %04d/%02d/%02d %02d:%02d:%02d", y, mo, d, h, mi, se);
    LeaseFile f = ParseLeaseFile("lease {\n  interface \"eth0\";\n  fixed-address 10.0.0.2;\n"
                                 "  expire " + std::string(line) + ";\n}\n");
    if (f.leases.size() != 1 || !f.leases[0].wellFormed) return std::nullopt;
    return f.leases[0].expire;
  };
  auto libc = [](int y, int mo, int d, int h, int mi, int se) {
    std::tm t{se, mi, h, d, mo - 1, y - 1900, 0, 0, 0, 0, nullptr};
    return static_cast<std::int64_t>(timegm(&t));
  };
  static const int kLast[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int year : {1970, 1999, 2000, 2023, 2024, 2037, 2038, 2100, 2400, 9999}) {
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    for (int month = 1; month <= 12; ++month) {
      const int last = kLast[month - 1] + (month == 2 && leap);
      for (auto [day, h, mi, se] : {std::array{1, 0, 0, 0}, std::array{last, 23, 59, 59}}) {
        EXPECT_EQ(expiry(year, month, day, h, mi, se), libc(year, month, day, h, mi, se))
            << year << "/" << month << "/" << day;
      }
      EXPECT_FALSE(expiry(year, month, last + 1, 0, 0, 0)) << year << "/" << month;
    }
  }
  EXPECT_EQ(expiry(2038, 1, 19, 3, 14, 7), std::int64_t{INT32_MAX});
  EXPECT_EQ(expiry(2038, 1, 19, 3, 14, 8), std::int64_t{INT32_MAX} + 1);
  EXPECT_EQ(*expiry(2025, 1, 1, 0, 0, 0) - *expiry(2024, 12, 31, 23, 59, 59), 1);
  EXPECT_EQ(*expiry(2024, 3, 1, 0, 0, 0) - *expiry(2024, 2, 29, 0, 0, 0), 86400);
  for (auto [y, mo, d] : {std::array{2024, 13, 1}, std::array{2024, 0, 1}, std::array{2024, 4, 0},
                          std::array{1969, 12, 31}})
    EXPECT_FALSE(expiry(y, mo, d, 0, 0, 0)) << y << "/" << mo << "/" << d;
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
  EXPECT_EQ(names, (Texts{"eth0", "wlan0"}));
}

TEST(DhclientCommandLine, NamesTheLinksAndFilesOfAClient) {
  auto c =
      ParseDhclientCommand({"/sbin/dhclient", "-4", "-v", "-i", "-pf", "/run/dhclient.eth0.pid",
                            "-lf", "/var/lib/dhcp/dhclient.eth0.leases", "-I", "-df",
                            "/var/lib/dhcp/dhclient6.eth0.leases", "-e", "A=b", "eth0"});
  ASSERT_TRUE(c);
  EXPECT_EQ(std::tie(c->interfaces, c->pidFile, c->leaseFile, c->noPidFile, c->ipv6, c->stopping),
            std::make_tuple(Texts{"eth0"}, "/run/dhclient.eth0.pid",
                            "/var/lib/dhcp/dhclient.eth0.leases", false, false, false));

  // Option arguments are not links, even when they look like names.
  auto s = ParseDhclientCommand(
      {"dhclient", "-s", "server1", "-p", "68", "-cf", "conf", "-sf", "sc", "eth1", "eth2"});
  ASSERT_TRUE(s);
  EXPECT_EQ(s->interfaces, (Texts{"eth1", "eth2"}));

  EXPECT_TRUE(ParseDhclientCommand({"dhclient", "-6", "eth0"})->ipv6);
  EXPECT_TRUE(ParseDhclientCommand({"dhclient", "-r", "eth0"})->stopping);
  EXPECT_FALSE(ParseDhclientCommand({"dhclient", "eth0", "-lf"}));
}

// A DHCPACK as dnsmasq sends it to the lab (yiaddr 10.77.1.49), with the
// options given as code, then bytes; dhcpcd stores it as it came.
std::string Ack(const std::vector<std::vector<unsigned char>>& options, bool end = true) {
  std::string m(240, '\0');
  m.replace(0, 3, "\x02\x01\x06");        // a BOOTREPLY over Ethernet
  m.replace(16, 4, "\x0a\x4d\x01\x31");   // yiaddr
  m.replace(236, 4, "\x63\x82\x53\x63");  // the magic cookie
  for (const auto& o : options) {
    m += static_cast<char>(o[0]);
    m += static_cast<char>(o.size() - 1);
    m.append(o.begin() + 1, o.end());
  }
  return end ? m + '\xff' : m;
}

const std::vector<std::vector<unsigned char>> kAckOptions = {
    {53, 5}, {54, 10, 77, 0, 1}, {51, 0, 0, 0, 120}, {1, 255, 255, 0, 0},
    {3, 10, 77, 0, 1}, {6, 10, 77, 0, 2, 10, 77, 0, 3}, {44, 10, 77, 0, 4, 10, 77, 0, 5}};

std::vector<std::vector<unsigned char>> With(std::size_t at, std::vector<unsigned char> option) {
  auto options = kAckOptions;
  (at < options.size() ? options[at] : options.emplace_back()) = std::move(option);
  return options;
}

// The real file is read in EndToEnd.Dhcpcd; here, every way a file can fail
// to be one whole acknowledgement gives no lease at all.
TEST(DhcpcdLease, ReadsAnAcknowledgementAndRefusesAnythingElse) {
  auto lease = ParseDhcpcdLease(Ack(kAckOptions) + std::string(20, '\0'));
  ASSERT_TRUE(lease);
  EXPECT_EQ(std::tie(lease->address, lease->server, lease->leaseTime, lease->dnsServers,
                     lease->winsServers),
            std::make_tuple("10.77.1.49", "10.77.0.1", 120, Texts{"10.77.0.2", "10.77.0.3"},
                            Texts{"10.77.0.4", "10.77.0.5"}));
  EXPECT_EQ(ParseDhcpcdLease(Ack(With(2, {51, 255, 255, 255, 255})))->leaseTime, kNever);

  const std::string good = Ack(kAckOptions);
  for (const std::string& bad : {
           std::string(), good.substr(0, 239), good.substr(0, good.size() - 3),
           std::string(good).replace(0, 1, 1, '\1'),    // a request
           std::string(good).replace(237, 1, 1, '\0'),  // a cookie spoilt
           std::string(good).replace(16, 4, 4, '\0'),   // no address
           Ack(kAckOptions, false),                 // no end
           good + "x",                              // more after the end
           Ack(With(0, {53, 2})),                   // an offer
           Ack(With(0, {1, 255, 255, 0, 0})),       // no message type
           Ack(With(2, {1, 255, 255, 0, 0})),       // no lease time
           Ack(With(2, {51, 0, 0, 120})),
           Ack(With(1, {54, 10, 77, 0})),
           Ack(With(5, {6, 10, 77, 0, 2, 10})),
           Ack(With(5, {6})),
           Ack(With(9, {6, 1, 1, 1, 1})),           // given twice
           Ack(With(9, {52, 1})),                   // overloaded into file and sname
           good + std::string(kMaxDhcpcdLeaseBytes, '\0'),
       }) {
    EXPECT_FALSE(ParseDhcpcdLease(bad)) << bad.size();
  }
}

// Lists and lease times as dhcpcd, networkd and NetworkManager write them.
TEST(DhcpValues, ListsAndLeaseTimesAreExact) {
  std::vector<std::string> list;
  ASSERT_TRUE(ParseAddressList("10.77.0.2 255.255.255.255 0.0.0.0", list));
  EXPECT_EQ(list, (Texts{"10.77.0.2", "255.255.255.255", "0.0.0.0"}));
  std::string many = "1.1.1.1";
  for (int i = 0; i < 63; ++i) many += " 1.1.1.1";
  // Each address as strict as the lease files': no more or fewer parts, no
  // empty one, no sign, no value past 255 and no leading zero.
  for (const char* bad : {"", "10.77.0.2  10.77.0.3", "10.77.0.2 ", "10.77.0.4,10.77.0.5",
                          "10.77.0.049", "1.2.3", "1.2.3.4.", "1.2.3.4.5", "256.0.0.1", "01.2.3.4",
                          "1..3.4", "1.2.3.-4", "1.2.3.1000"})
    EXPECT_FALSE(ParseAddressList(bad, list)) << bad;
  EXPECT_FALSE(ParseAddressList(many, list));
  std::int64_t seconds = 0;
  ASSERT_TRUE(ParseLeaseSeconds("4294967295", seconds));
  EXPECT_EQ(seconds, kNever);
  ASSERT_TRUE(ParseLeaseSeconds("120", seconds));
  EXPECT_EQ(seconds, 120);
  for (const char* bad : {"4294967296", "0120", "-1", "", "12a"})
    EXPECT_FALSE(ParseLeaseSeconds(bad, seconds)) << bad;
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

// NetworkManager's objects' properties. A property of the wrong type or a
// reply of another shape gives no rows at all; a lease value that is not
// whole gives the link without a lease.
using Message = std::unique_ptr<sd_bus_message, sd_bus_message* (*)(sd_bus_message*)>;

// A sealed message of that signature, read as a reply would be.
Message Sealed(const char* types, ...) {
  static sd_bus* bus = [] {
    int fds[2] = {-1, -1};
    sd_bus* b = nullptr;
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    EXPECT_GE(sd_bus_new(&b), 0);
    EXPECT_GE(sd_bus_set_fd(b, fds[0], fds[0]), 0);
    EXPECT_GE(sd_bus_start(b), 0);
    return b;
  }();
  sd_bus_message* m = nullptr;
  EXPECT_GE(sd_bus_message_new_method_call(bus, &m, "a.b", "/", "a.b", "C"), 0);
  va_list args;
  va_start(args, types);
  EXPECT_GE(sd_bus_message_appendv(m, types, args), 0);
  va_end(args);
  EXPECT_GE(sd_bus_message_seal(m, 1, 0), 0);
  EXPECT_GE(sd_bus_message_rewind(m, 1), 0);
  return Message(m, sd_bus_message_unref);
}

// The GetAll reply of a device lvc0 whose DHCP configuration is /c/1.
Message Device() {
  return Sealed("a{sv}", 3, "Interface", "s", "lvc0", "Managed", "b", 1, "Dhcp4Config", "o", "/c/1");
}

// `device`, and /c/1 with `address` as the leased address.
std::optional<NmObjects> ReadNm(sd_bus_message* device, const char* address = "10.77.1.9",
                                const char* leaseTime = "120") {
  Message config = Sealed("a{sv}", 1, "Options", "a{sv}", 4, "ip_address", "s", address,
                          "dhcp_lease_time", "s", leaseTime, "expiry", "s", "1796586120",
                          "domain_name_servers", "s", "10.77.0.3 10.77.0.2");
  NmObjects o;
  if (!ReadNmProperties(device, "/d/1", "org.freedesktop.NetworkManager.Device", o) ||
      !ReadNmProperties(config.get(), "/c/1", "org.freedesktop.NetworkManager.DHCP4Config", o))
    return std::nullopt;
  return o;
}

TEST(BusReply, NetworkManagersRowsAreWholeOrNone) {
  auto objects = ReadNm(Device().get());
  ASSERT_TRUE(objects);
  const NmDevice* device = objects->Find("lvc0");
  ASSERT_NE(device, nullptr);
  DhcpState row = NmLease(*objects, *device, kNow);
  EXPECT_EQ(std::tie(row.leaseObtained, row.leaseExpires, row.dnsServers),
            std::make_tuple(1796586000, 1796586120, Texts{"10.77.0.3", "10.77.0.2"}));
  EXPECT_EQ(NmLease(*objects, *device, 1796586120).leaseExpires, 0);  // expired

  for (const char* address : {"10.77.1.09", "", "10.77.1"}) {
    auto read = ReadNm(Device().get(), address);
    ASSERT_TRUE(read) << address;
    row = NmLease(*read, *read->Find("lvc0"), kNow);
    EXPECT_EQ(std::tie(row.enabled, row.leaseExpires, row.dnsServers),
              std::make_tuple(true, 0, Texts{}))
        << address;
  }
  auto never = ReadNm(Device().get(), "10.77.1.9", "4294967295");
  ASSERT_TRUE(never);
  EXPECT_EQ(NmLease(*never, *never->Find("lvc0"), kNow).leaseExpires, kNever);

  EXPECT_FALSE(ReadNm(Sealed("a{sv}", 2, "Interface", "s", "lvc0", "Managed", "s", "yes").get()));
  EXPECT_FALSE(ReadNm(Sealed("a{oa{sv}}", 1, "/d/1", 1, "Interface", "s", "lvc0").get()));
  EXPECT_FALSE(ReadNm(nullptr));
}

// networkd's own description of a link is read in EndToEnd.Networkd; here,
// what is not whole is no link or no lease.
TEST(BusReply, NetworkdsLinksAreWholeOrNone) {
  const std::string address =
      R"("Addresses":[{"Family":2,"Address":[10,77,1,9],"ConfigSource":"DHCPv4",)"
      R"("ConfigProvider":[10,77,0,1],"ValidLifetimeUsec":5}])";
  auto links = ReadNetworkdLinks(
      R"({"Interfaces":[{"Index":2,"Name":"lvc0","NetworkFile":"/n",)" + address +
      R"(},{"Index":3,"Name":"lvc1","Addresses":[{"Family":2,"Address":[10,77,1,256],)"
      R"("ConfigSource":"DHCPv4","ValidLifetimeUsec":5}]},)"
      R"({"Index":"4","Name":"lvc2"},{"Index":5,"Name":"lvc3"},{"Index":6,"Name":"lvc3"}]})");
  ASSERT_TRUE(links);
  ASSERT_EQ(links->size(), 2u);  // lvc2's index is a string; lvc3 is named twice
  const NetworkdLink& lvc0 = links->at("lvc0");
  EXPECT_EQ(std::tie(lvc0.address, lvc0.server, lvc0.validUntil),
            std::make_tuple("10.77.1.9", "10.77.0.1", 5u));
  EXPECT_EQ(links->at("lvc1").address, "");
  EXPECT_FALSE(ReadNetworkdLinks(R"({"Interfaces":{}})"));
}

}  // namespace
}  // namespace lorvane::iphlp::dhcp
