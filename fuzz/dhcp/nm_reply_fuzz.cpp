// NetworkManager's answer to GetAll, as any daemon on the bus could shape
// it: the fuzzer's bytes are a little program that opens containers of
// chosen signatures and appends chosen values, and the message so built is
// read as the client reads a device's, a DHCP configuration's and an active
// connection's properties. Whatever it holds, a device's row is either no
// lease or a whole one.
#include <sys/socket.h>
#include <systemd/sd-bus.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/iphlp/dhcp/lease_file.h"
#include "platform/iphlp/dhcp/replies.h"

using namespace lorvane::iphlp;

namespace {

constexpr std::int64_t kNow = 1796586000;

const char* const kArrays[] = {"{sv}", "o", "s", "{sa{sv}}"};
const char* const kEntries[] = {"sv", "sa{sv}"};
const char* const kVariants[] = {"s", "b", "u", "o", "ao", "a{sv}", "t"};
const char* const kStrings[] = {
    "org.freedesktop.NetworkManager.Device", "org.freedesktop.NetworkManager.DHCP4Config",
    "org.freedesktop.NetworkManager.Connection.Active", "Interface", "Managed", "State",
    "Dhcp4Config", "ActiveConnection", "AvailableConnections", "Options", "Connection",
    "ip_address", "dhcp_lease_time", "expiry", "dhcp_server_identifier", "domain_name_servers",
    "netbios_name_servers", "lvc0", "10.77.1.9", "10.77.0.1", "10.77.0.3 10.77.0.2", "120",
    "4294967295", "1796586120", "", "0"};
const std::pair<const char*, const char*> kObjects[] = {
    {"/d/1", "org.freedesktop.NetworkManager.Device"},
    {"/c/1", "org.freedesktop.NetworkManager.DHCP4Config"},
    {"/a/1", "org.freedesktop.NetworkManager.Connection.Active"}};
const char* const kPaths[] = {"/", "/d/1", "/d/2", "/c/1", "/a/1"};

sd_bus* Bus() {
  static sd_bus* bus = [] {
    int fds[2];
    sd_bus* b = nullptr;
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0 || sd_bus_new(&b) < 0 ||
        sd_bus_set_fd(b, fds[0], fds[0]) < 0 || sd_bus_start(b) < 0)
      __builtin_trap();
    return b;
  }();
  return bus;
}

template <std::size_t N>
const char* Pick(const char* const (&list)[N], std::uint8_t byte) {
  return list[byte % N];
}

void CheckRow(const DhcpState& s) {
  if (!s.enabled) __builtin_trap();
  if (s.leaseExpires == 0) {
    if (!s.server.empty() || !s.dnsServers.empty() || !s.winsServers.empty()) __builtin_trap();
    return;
  }
  if (s.leaseExpires != dhcp::kNever && s.leaseExpires <= kNow) __builtin_trap();
  if (!s.server.empty() && !dhcp::IsDottedQuad(s.server)) __builtin_trap();
  for (const auto* list : {&s.dnsServers, &s.winsServers}) {
    if (list->size() > 63) __builtin_trap();
    for (const auto& a : *list)
      if (!dhcp::IsDottedQuad(a)) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sd_bus_message* m = nullptr;
  if (sd_bus_message_new_method_call(Bus(), &m, "a.b", "/", "a.b", "C") < 0) return 0;
  int depth = 0;
  for (std::size_t i = 0; i + 1 < size && depth < 64; i += 2) {
    const std::uint8_t op = data[i] % 9, arg = data[i + 1];
    int r = -1;
    switch (op) {
      case 0: r = sd_bus_message_open_container(m, 'a', Pick(kArrays, arg)); break;
      case 1: r = sd_bus_message_open_container(m, 'e', Pick(kEntries, arg)); break;
      case 2: r = sd_bus_message_open_container(m, 'v', Pick(kVariants, arg)); break;
      case 3: r = sd_bus_message_close_container(m); depth -= r >= 0 ? 2 : 0; break;
      case 4: r = sd_bus_message_append_basic(m, 's', Pick(kStrings, arg)); break;
      case 5: r = sd_bus_message_append_basic(m, 'o', Pick(kPaths, arg)); break;
      case 6: { int b = arg & 1; r = sd_bus_message_append_basic(m, 'b', &b); break; }
      case 7: { std::uint32_t u = arg * 13u; r = sd_bus_message_append_basic(m, 'u', &u); break; }
      default: { std::uint64_t t = 1796586000u + arg; r = sd_bus_message_append_basic(m, 't', &t); }
    }
    if (op <= 2 && r >= 0) ++depth;
  }
  while (depth-- > 0) sd_bus_message_close_container(m);
  if (sd_bus_message_seal(m, 1, 0) >= 0) {
    dhcp::NmObjects objects;
    bool read = true;
    for (const auto& [path, interface] : kObjects)
      read = read && sd_bus_message_rewind(m, 1) >= 0 &&
             dhcp::ReadNmProperties(m, path, interface, objects);
    for (const auto& [path, device] : objects.devices) {
      if (const dhcp::NmDevice* found = read ? objects.Find(device.interface) : nullptr)
        CheckRow(dhcp::NmLease(objects, *found, kNow));
    }
  }
  sd_bus_message_unref(m);
  return 0;
}
