// What the network daemons answer on the bus, made plain: NetworkManager's
// objects' properties and networkd's description of every link. Both
// are untrusted; any wrong type or shape gives nothing, never a wrong value.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/iphlp/dhcp_client.h"

struct sd_bus_message;

namespace lorvane::iphlp::dhcp {

// NetworkManager's interfaces whose properties ReadNmProperties reads.
inline constexpr const char* kNmDevice = "org.freedesktop.NetworkManager.Device";
inline constexpr const char* kNmDhcp4Config = "org.freedesktop.NetworkManager.DHCP4Config";
inline constexpr const char* kNmActive = "org.freedesktop.NetworkManager.Connection.Active";

struct NmDevice {
  std::string path;
  std::string interface;
  bool managed = false;
  unsigned state = 0;
  std::string dhcp4Config = "/";
  std::string active = "/";
  std::vector<std::string> available;
};

// Everything NetworkManager holds, as its objects' properties gave it.
struct NmObjects {
  std::map<std::string, NmDevice> devices;                          // by path
  std::map<std::string, std::map<std::string, std::string>> dhcp4;  // options by path
  std::map<std::string, std::string> connectionOf;  // active connection's settings
  // The managed device of that name; nullptr when none is, or two claim it.
  const NmDevice* Find(const std::string& name) const;
};

// Adds what one object's `interface` holds (GetAll's a{sv}) to `objects`;
// false for a reply of another shape or a property of a wrong type.
bool ReadNmProperties(sd_bus_message* m, const std::string& path, const std::string& interface,
                      NmObjects& objects);
// A managed device's state: enabled, with the lease its DHCP configuration
// holds at `now` only when every value of it is whole.
DhcpState NmLease(const NmObjects& objects, const NmDevice& device, std::int64_t now);

// What networkd's description says of one link, before any file is read.
struct NetworkdLink {
  int index = 0;
  std::string networkFile;       // empty when none
  std::string address;           // the DHCPv4 address, empty when none
  std::string server;            // who gave it, empty when unknown
  std::uint64_t validUntil = 0;  // CLOCK_BOOTTIME microseconds
  std::vector<std::string> dnsServers;  // those networkd took from DHCPv4
};

// Describe's JSON, by link name: a link named twice, or without a usable
// index, is none; nullopt for any other document.
std::optional<std::map<std::string, NetworkdLink>> ReadNetworkdLinks(std::string_view json);

}  // namespace lorvane::iphlp::dhcp
