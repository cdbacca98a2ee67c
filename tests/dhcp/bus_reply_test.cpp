// The object manager's reply as NetworkManager sends it, built here as a
// message and read back: a property of the wrong type anywhere, or a reply
// of another shape, fails the whole reply rather than giving part of it.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <map>

#include "platform/iphlp/dhcp/bus.h"

namespace lorvane::iphlp::dhcp {
namespace {

struct Reply {
  sd_bus* bus = nullptr;
  sd_bus_message* m = nullptr;
  int fds[2] = {-1, -1};
  // A bus over a socket pair of the test's own: messages need a started bus,
  // not a peer that answers.
  Reply() {
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    EXPECT_GE(sd_bus_new(&bus), 0);
    EXPECT_GE(sd_bus_set_fd(bus, fds[0], fds[0]), 0);
    EXPECT_GE(sd_bus_start(bus), 0);
    EXPECT_GE(sd_bus_message_new_method_call(bus, &m, "a.b", "/", "a.b", "C"), 0);
  }
  ~Reply() {
    sd_bus_message_unref(m);
    sd_bus_close_unref(bus);
    close(fds[1]);
  }
  // One object with one interface whose properties are a string `Interface`,
  // and `Managed` of the given type.
  sd_bus_message* Build(const char* managedType, bool extraClose = false) {
    sd_bus_message_open_container(m, 'a', "{oa{sa{sv}}}");
    sd_bus_message_open_container(m, 'e', "oa{sa{sv}}");
    sd_bus_message_append(m, "o", "/dev/1");
    sd_bus_message_open_container(m, 'a', "{sa{sv}}");
    sd_bus_message_open_container(m, 'e', "sa{sv}");
    sd_bus_message_append(m, "s", "x.Device");
    sd_bus_message_open_container(m, 'a', "{sv}");
    sd_bus_message_append(m, "{sv}", "Interface", "s", "lvc0");
    if (managedType[0] == 'b') {
      sd_bus_message_append(m, "{sv}", "Managed", "b", 1);
    } else {
      sd_bus_message_append(m, "{sv}", "Managed", "s", "yes");
    }
    sd_bus_message_append(m, "{sv}", "Other", "u", 7u);
    for (int i = 0; i < 5; ++i) sd_bus_message_close_container(m);
    if (extraClose) sd_bus_message_append(m, "s", "trailing");
    EXPECT_GE(sd_bus_message_seal(m, 1, 0), 0);
    EXPECT_GE(sd_bus_message_rewind(m, 1), 0);
    return m;
  }
};

std::map<std::string, std::string> Read(sd_bus_message* m, bool& ok) {
  std::map<std::string, std::string> seen;
  ok = ReadManagedObjects(m, 16, [&](const std::string& path, const std::string& interface,
                                     const std::string& property, sd_bus_message* v) {
    if (property == "Interface")
      return InVariant(v, "s", [&] { return ReadString(v, seen[path + " " + interface]); });
    if (property == "Managed") {
      bool managed = false;
      return InVariant(v, "b", [&] { return ReadBool(v, managed); });
    }
    return sd_bus_message_skip(v, "v") >= 0;
  });
  return seen;
}

TEST(BusReply, ManagedObjectsAreReadWholeOrNotAtAll) {
  bool ok = false;
  Reply good;
  EXPECT_EQ(Read(good.Build("b"), ok), (std::map<std::string, std::string>{{"/dev/1 x.Device", "lvc0"}}));
  EXPECT_TRUE(ok);
  Reply wrongType;
  Read(wrongType.Build("s"), ok);
  EXPECT_FALSE(ok);
  Reply wrongShape;
  sd_bus_message_append(wrongShape.m, "as", 1, "x");
  ASSERT_GE(sd_bus_message_seal(wrongShape.m, 1, 0), 0);
  ASSERT_GE(sd_bus_message_rewind(wrongShape.m, 1), 0);
  Read(wrongShape.m, ok);
  EXPECT_FALSE(ok);
  EXPECT_FALSE(ReadManagedObjects(nullptr, 16, nullptr));
}

}  // namespace
}  // namespace lorvane::iphlp::dhcp
