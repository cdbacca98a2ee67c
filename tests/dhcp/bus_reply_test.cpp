// The daemons' answers as the clients read them: NetworkManager's objects'
// properties, built here as messages, and networkd's description. A
// property of the wrong type or a reply of another shape gives no rows at
// all; a lease value that is not whole gives the link without a lease.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include "platform/iphlp/dhcp/lease_file.h"
#include "platform/iphlp/dhcp/replies.h"

namespace lorvane::iphlp::dhcp {
namespace {

constexpr std::int64_t kNow = 1796586000;

// A device lvc0 and its DHCP configuration, as the two objects' GetAll
// replies, with `managed` as the Managed property's type and value, and
// `address` as the leased address.
struct Reply {
  sd_bus* bus = nullptr;
  sd_bus_message* m = nullptr;
  sd_bus_message* config = nullptr;
  int fds[2] = {-1, -1};
  Reply(const char* managedType, const char* address, const char* leaseTime = "120") {
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    EXPECT_GE(sd_bus_new(&bus), 0);
    EXPECT_GE(sd_bus_set_fd(bus, fds[0], fds[0]), 0);
    EXPECT_GE(sd_bus_start(bus), 0);
    EXPECT_GE(sd_bus_message_new_method_call(bus, &m, "a.b", "/", "a.b", "C"), 0);
    EXPECT_GE(sd_bus_message_new_method_call(bus, &config, "a.b", "/", "a.b", "C"), 0);
    int r = managedType[0] == 'b'
                ? sd_bus_message_append(m, "a{sv}", 3, "Interface", "s", "lvc0", "Managed", "b", 1,
                                        "Dhcp4Config", "o", "/c/1")
                : sd_bus_message_append(m, "a{sv}", 2, "Interface", "s", "lvc0", "Managed",
                                        managedType, "yes");
    EXPECT_GE(r, 0);
    EXPECT_GE(sd_bus_message_append(config, "a{sv}", 1, "Options", "a{sv}", 4, "ip_address", "s",
                                    address, "dhcp_lease_time", "s", leaseTime, "expiry", "s",
                                    "1796586120", "domain_name_servers", "s",
                                    "10.77.0.3 10.77.0.2"),
              0);
    for (auto* message : {m, config}) {
      EXPECT_GE(sd_bus_message_seal(message, 1, 0), 0);
      EXPECT_GE(sd_bus_message_rewind(message, 1), 0);
    }
  }
  ~Reply() {
    sd_bus_message_unref(m);
    sd_bus_message_unref(config);
    sd_bus_close_unref(bus);
    close(fds[1]);
  }
};

std::optional<NmObjects> ReadNmObjects(sd_bus_message* device, sd_bus_message* config) {
  NmObjects o;
  if (!ReadNmProperties(device, "/d/1", "org.freedesktop.NetworkManager.Device", o) ||
      !ReadNmProperties(config, "/c/1", "org.freedesktop.NetworkManager.DHCP4Config", o))
    return std::nullopt;
  return o;
}

TEST(BusReply, NetworkManagersRowsAreWholeOrNone) {
  Reply good("b", "10.77.1.9");
  auto objects = ReadNmObjects(good.m, good.config);
  ASSERT_TRUE(objects);
  const NmDevice* device = objects->Find("lvc0");
  ASSERT_NE(device, nullptr);
  DhcpState row = NmLease(*objects, *device, kNow);
  EXPECT_EQ(row.leaseExpires, 1796586120);
  EXPECT_EQ(row.leaseObtained, 1796586000);
  EXPECT_EQ(row.dnsServers, (std::vector<std::string>{"10.77.0.3", "10.77.0.2"}));
  EXPECT_EQ(NmLease(*objects, *device, 1796586120).leaseExpires, 0);  // expired

  for (const char* address : {"10.77.1.09", "", "10.77.1"}) {
    Reply damaged("b", address);
    auto read = ReadNmObjects(damaged.m, damaged.config);
    ASSERT_TRUE(read) << address;
    row = NmLease(*read, *read->Find("lvc0"), kNow);
    EXPECT_TRUE(row.enabled) << address;
    EXPECT_EQ(row.leaseExpires, 0) << address;
    EXPECT_TRUE(row.dnsServers.empty()) << address;
  }
  Reply infinite("b", "10.77.1.9", "4294967295");
  auto never = ReadNmObjects(infinite.m, infinite.config);
  ASSERT_TRUE(never);
  EXPECT_EQ(NmLease(*never, *never->Find("lvc0"), kNow).leaseExpires, kNever);

  Reply wrongType("s", "");
  EXPECT_FALSE(ReadNmObjects(wrongType.m, wrongType.config));
  Reply wrongShape("b", "10.77.1.9");
  sd_bus_message_unref(wrongShape.m);
  ASSERT_GE(sd_bus_message_new_method_call(wrongShape.bus, &wrongShape.m, "a.b", "/", "a.b", "C"), 0);
  ASSERT_GE(sd_bus_message_append(wrongShape.m, "a{oa{sv}}", 1, "/d/1", 1, "Interface", "s",
                                  "lvc0"),
            0);
  ASSERT_GE(sd_bus_message_seal(wrongShape.m, 1, 0), 0);
  ASSERT_GE(sd_bus_message_rewind(wrongShape.m, 1), 0);
  EXPECT_FALSE(ReadNmObjects(wrongShape.m, wrongShape.config));
  EXPECT_FALSE(ReadNmObjects(nullptr, good.config));
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
  EXPECT_EQ(links->at("lvc0").address, "10.77.1.9");
  EXPECT_EQ(links->at("lvc0").server, "10.77.0.1");
  EXPECT_EQ(links->at("lvc0").validUntil, 5u);
  EXPECT_EQ(links->at("lvc1").address, "");
  EXPECT_FALSE(ReadNetworkdLinks(R"({"Interfaces":{}})"));
}

}  // namespace
}  // namespace lorvane::iphlp::dhcp
