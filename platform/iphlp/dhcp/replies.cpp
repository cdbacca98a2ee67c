#include "platform/iphlp/dhcp/replies.h"

#include <systemd/sd-bus.h>

#include <set>

#include "platform/iphlp/dhcp/bus.h"
#include "platform/iphlp/dhcp/json.h"
#include "platform/iphlp/dhcp/lease_file.h"

namespace lorvane::iphlp::dhcp {
namespace {

// A device offers a handful of connections; more is not worth the calls.
constexpr std::size_t kMaxConnections = 16;
constexpr std::size_t kMaxOptions = 512;
constexpr std::size_t kMaxProperties = 4096;

// Four bytes of an "Address" array as a dotted quad; false for anything else.
bool DottedQuad(const JsonValue* bytes, std::string& out) {
  if (!bytes || bytes->kind != JsonValue::Kind::Array || bytes->array.size() != 4) return false;
  out.clear();
  for (const auto& b : bytes->array) {
    if (!b.isUnsigned || b.unsignedValue > 255) return false;
    if (!out.empty()) out += '.';
    out += std::to_string(b.unsignedValue);
  }
  return true;
}

const std::vector<JsonValue>& ArrayOf(const JsonValue* v) {
  static const std::vector<JsonValue> kNone;
  return v && v->kind == JsonValue::Kind::Array ? v->array : kNone;
}

bool FromDhcp4(const JsonValue& entry) {
  std::uint64_t family = 0;
  const std::string* source = entry.String("ConfigSource");
  return entry.Unsigned("Family", family) && family == 2 /* AF_INET */ && source &&
         *source == "DHCPv4";
}

}  // namespace

// A name two devices claim is neither's.
const NmDevice* NmObjects::Find(const std::string& name) const {
  const NmDevice* found = nullptr;
  for (const auto& [path, device] : devices) {
    if (device.interface != name) continue;
    if (found) return nullptr;
    found = &device;
  }
  return found && found->managed ? found : nullptr;
}

bool ReadNmProperties(sd_bus_message* m, const std::string& path, const std::string& interface,
                      NmObjects& o) {
  return ReadDict(m, "sv", kMaxProperties, [&](const std::string& property) {
    auto read = [&](const char* type, const std::function<bool()>& f) { return InVariant(m, type, f); };
    auto objectPath = [&](std::string& out) {
      return read("o", [&] { return ReadString(m, out, 256, 'o'); });
    };
    if (interface == kNmDevice) {
      NmDevice& d = o.devices[path];
      d.path = path;
      if (property == "Interface") return read("s", [&] { return ReadString(m, d.interface, 64); });
      if (property == "Managed") return read("b", [&] { return ReadBool(m, d.managed); });
      if (property == "State") return read("u", [&] { return ReadUint32(m, d.state); });
      if (property == "Dhcp4Config") return objectPath(d.dhcp4Config);
      if (property == "ActiveConnection") return objectPath(d.active);
      if (property == "AvailableConnections")
        return read("ao", [&] { return ReadPaths(m, d.available, kMaxConnections); });
    } else if (interface == kNmDhcp4Config && property == "Options") {
      return read("a{sv}", [&] { return ReadStringMap(m, o.dhcp4[path], kMaxOptions); });
    } else if (interface == kNmActive && property == "Connection") {
      return objectPath(o.connectionOf[path]);
    }
    return sd_bus_message_skip(m, "v") >= 0;
  });
}

DhcpState NmLease(const NmObjects& objects, const NmDevice& device, std::int64_t now) {
  DhcpState state;
  state.enabled = state.running = true;
  auto found = objects.dhcp4.find(device.dhcp4Config);
  if (found == objects.dhcp4.end()) return state;
  auto get = [&](const char* key) -> const std::string* {
    auto it = found->second.find(key);
    return it == found->second.end() ? nullptr : &it->second;
  };
  const std::string *address = get("ip_address"), *leaseTime = get("dhcp_lease_time"),
                    *expiry = get("expiry"), *server = get("dhcp_server_identifier"),
                    *dns = get("domain_name_servers"), *wins = get("netbios_name_servers");
  std::int64_t seconds = 0;
  DhcpState lease = state;
  if (!address || !IsDottedQuad(*address) || !leaseTime || !ParseLeaseSeconds(*leaseTime, seconds) ||
      (server && !IsDottedQuad(*server)) || (dns && !ParseAddressList(*dns, lease.dnsServers)) ||
      (wins && !ParseAddressList(*wins, lease.winsServers)))
    return state;
  if (seconds == kNever) {
    lease.leaseExpires = kNever;  // and no time it was granted
  } else {
    auto expires = expiry ? Decimal(*expiry, 999999999999999999) : std::nullopt;
    if (!expires || *expires < seconds || *expires <= now) return state;
    lease.leaseExpires = *expires;
    lease.leaseObtained = *expires - seconds;
  }
  if (server) lease.server = *server;
  return lease;
}

std::optional<std::map<std::string, NetworkdLink>> ReadNetworkdLinks(std::string_view json) {
  auto doc = ParseJson(json, kMaxManyJsonBytes);
  const JsonValue* links = doc ? doc->Find("Interfaces") : nullptr;
  if (!links || links->kind != JsonValue::Kind::Array) return std::nullopt;
  std::map<std::string, NetworkdLink> byName;
  std::set<std::string> dropped;
  for (const auto& entry : links->array) {
    const std::string* name = entry.String("Name");
    std::uint64_t index = 0;
    if (!name) continue;
    if (!entry.Unsigned("Index", index) || index == 0 || index > 0x7fffffff ||
        byName.count(*name) || dropped.count(*name)) {
      byName.erase(*name);
      dropped.insert(*name);
      continue;
    }
    NetworkdLink& link = byName[*name];
    link.index = static_cast<int>(index);
    if (const std::string* file = entry.String("NetworkFile")) link.networkFile = *file;
    for (const auto& a : ArrayOf(entry.Find("Addresses"))) {
      std::string address, server;
      std::uint64_t valid = 0;
      if (!FromDhcp4(a) || !DottedQuad(a.Find("Address"), address) ||
          !a.Unsigned("ValidLifetimeUsec", valid) ||
          (a.Find("ConfigProvider") && !DottedQuad(a.Find("ConfigProvider"), server)))
        continue;
      link.address = address;
      link.validUntil = valid;
      link.server = server;
      break;
    }
    for (const auto& d : ArrayOf(entry.Find("DNS"))) {
      std::string server;
      if (FromDhcp4(d) && DottedQuad(d.Find("Address"), server) && link.dnsServers.size() < 63)
        link.dnsServers.push_back(server);
    }
  }
  return byName;
}

}  // namespace lorvane::iphlp::dhcp
