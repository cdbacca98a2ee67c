#include "platform/iphlp/dhcp/network_manager_client.h"

#include <systemd/sd-bus.h>

#include "platform/base/errors.h"
#include "platform/iphlp/dhcp/lease_file.h"

namespace lorvane::iphlp {
namespace {

using dhcp::CallStatus;

constexpr const char* kNmService = "org.freedesktop.NetworkManager";
constexpr const char* kNmManagerPath = "/org/freedesktop/NetworkManager";
constexpr const char* kDevice = "org.freedesktop.NetworkManager.Device";
constexpr const char* kDhcp4Config = "org.freedesktop.NetworkManager.DHCP4Config";
constexpr const char* kConnection = "org.freedesktop.NetworkManager.Settings.Connection";
constexpr const char* kActive = "org.freedesktop.NetworkManager.Connection.Active";
constexpr unsigned kActivated = 100;  // NM_DEVICE_STATE_ACTIVATED
constexpr unsigned kFailed = 120;
// A device offers a handful of connections; more is not worth the calls.
constexpr std::size_t kMaxConnections = 16;
constexpr std::size_t kMaxOptions = 512;
constexpr std::size_t kMaxObjects = 4096;

// From GetSettings' a{sa{sv}}: ipv4.method and connection.timestamp.
bool ReadSettings(sd_bus_message* m, std::string& method, std::uint64_t& timestamp) {
  if (sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{sa{sv}}") <= 0) return false;
  int r;
  while ((r = sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "sa{sv}")) > 0) {
    std::string group;
    if (!dhcp::ReadString(m, group, 256) ||
        sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{sv}") <= 0)
      return false;
    int e;
    while ((e = sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "sv")) > 0) {
      std::string key;
      if (!dhcp::ReadString(m, key, 256)) return false;
      bool ok;
      if (group == "ipv4" && key == "method") {
        ok = dhcp::InVariant(m, "s", [&] { return dhcp::ReadString(m, method, 64); });
      } else if (group == "connection" && key == "timestamp") {
        ok = dhcp::InVariant(
            m, "t", [&] { return sd_bus_message_read_basic(m, SD_BUS_TYPE_UINT64, &timestamp) > 0; });
      } else {
        ok = sd_bus_message_skip(m, "v") >= 0;
      }
      if (!ok || sd_bus_message_exit_container(m) < 0) return false;
    }
    if (e < 0 || sd_bus_message_exit_container(m) < 0 || sd_bus_message_exit_container(m) < 0)
      return false;
  }
  return r == 0 && sd_bus_message_exit_container(m) >= 0;
}

bool ParseEpoch(const std::string& text, std::int64_t& out) {
  if (text.empty() || text.size() > 18 || (text.size() > 1 && text[0] == '0')) return false;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  out = value;
  return true;
}

}  // namespace

NetworkManagerClient::NetworkManagerClient(NetworkManagerOptions options)
    : ClientBase(options), options_(std::move(options)) {}

std::unique_ptr<dhcp::Bus> NetworkManagerClient::Connect(std::chrono::milliseconds timeout) const {
  auto bus = dhcp::Bus::Open(options_.busAddress, timeout);
  if (!bus || !bus->DaemonHere(kNmService, options_.procDir)) return nullptr;
  return bus;
}

// A name two devices claim is neither's.
const NetworkManagerClient::Device* NetworkManagerClient::Objects::Find(
    const std::string& name) const {
  const Device* found = nullptr;
  for (const auto& [path, device] : devices) {
    if (device.interface != name) continue;
    if (found) return nullptr;
    found = &device;
  }
  return found && found->managed ? found : nullptr;
}

std::optional<NetworkManagerClient::Objects> NetworkManagerClient::Read(dhcp::Bus& bus) const {
  auto r = bus.Call(kNmService, "/org/freedesktop", "org.freedesktop.DBus.ObjectManager",
                    "GetManagedObjects");
  if (r.status != CallStatus::Ok) return std::nullopt;
  Objects o;
  auto take = [&](const std::string& path, const std::string& interface,
                  const std::string& property, sd_bus_message* m) {
    auto read = [&](const char* type, const std::function<bool()>& f) {
      return dhcp::InVariant(m, type, f);
    };
    if (interface == kDevice) {
      Device& d = o.devices[path];
      d.path = path;
      if (property == "Interface")
        return read("s", [&] { return dhcp::ReadString(m, d.interface, 64); });
      if (property == "Managed") return read("b", [&] { return dhcp::ReadBool(m, d.managed); });
      if (property == "State") return read("u", [&] { return dhcp::ReadUint32(m, d.state); });
      if (property == "Dhcp4Config")
        return read("o", [&] { return dhcp::ReadPath(m, d.dhcp4Config); });
      if (property == "ActiveConnection")
        return read("o", [&] { return dhcp::ReadPath(m, d.active); });
      if (property == "AvailableConnections")
        return read("ao", [&] { return dhcp::ReadPaths(m, d.available, kMaxConnections); });
    } else if (interface == kDhcp4Config && property == "Options") {
      return read("a{sv}", [&] { return dhcp::ReadStringMap(m, o.dhcp4[path], kMaxOptions); });
    } else if (interface == kActive && property == "Connection") {
      return read("o", [&] { return dhcp::ReadPath(m, o.connectionOf[path]); });
    }
    return sd_bus_message_skip(m, "v") >= 0;
  };
  if (!dhcp::ReadManagedObjects(r.reply.get(), kMaxObjects, take)) return std::nullopt;
  return o;
}

// The connection a renewal activates: the device's active one, else the one
// it used last of those it may activate with DHCP (a call for each, made
// only for a device without a DHCP configuration).
std::string NetworkManagerClient::ConnectionFor(dhcp::Bus& bus, const Objects& objects,
                                                const Device& device) const {
  auto active = objects.connectionOf.find(device.active);
  if (device.dhcp4Config != "/" && active != objects.connectionOf.end()) return active->second;
  std::string best;
  std::uint64_t bestTime = 0;
  for (const auto& path : device.available) {
    auto settings = bus.Call(kNmService, path, kConnection, "GetSettings");
    std::string method;
    std::uint64_t timestamp = 0;
    if (settings.status != CallStatus::Ok ||
        !ReadSettings(settings.reply.get(), method, timestamp) || method != "auto")
      continue;
    if (best.empty() || timestamp > bestTime) {
      best = path;
      bestTime = timestamp;
    }
  }
  return best;
}

DhcpState NetworkManagerClient::Lease(const Objects& objects, const Device& device) const {
  DhcpState state;
  state.enabled = state.running = true;
  auto found = objects.dhcp4.find(device.dhcp4Config);
  if (found == objects.dhcp4.end()) return state;
  auto get = [&](const char* key) -> const std::string* {
    auto it = found->second.find(key);
    return it == found->second.end() ? nullptr : &it->second;
  };
  const std::string* address = get("ip_address");
  const std::string* leaseTime = get("dhcp_lease_time");
  const std::string* expiry = get("expiry");
  const std::string* server = get("dhcp_server_identifier");
  const std::string* dns = get("domain_name_servers");
  const std::string* wins = get("netbios_name_servers");
  std::int64_t seconds = 0, expires = 0;
  DhcpState lease = state;
  if (!address || !dhcp::IsDottedQuad(*address) || !leaseTime ||
      !dhcp::ParseLeaseSeconds(*leaseTime, seconds) || (server && !dhcp::IsDottedQuad(*server)) ||
      (dns && !dhcp::ParseAddressList(*dns, lease.dnsServers)) ||
      (wins && !dhcp::ParseAddressList(*wins, lease.winsServers)))
    return state;
  if (seconds == dhcp::kNever) {
    lease.leaseExpires = dhcp::kNever;  // and no time it was granted
  } else {
    if (!expiry || !ParseEpoch(*expiry, expires) || expires < seconds || expires <= Now())
      return state;
    lease.leaseExpires = expires;
    lease.leaseObtained = expires - seconds;
  }
  if (server) lease.server = *server;
  return lease;
}

std::vector<DhcpState> NetworkManagerClient::Query(const std::vector<std::string>& names) {
  std::vector<DhcpState> out(names.size());
  auto bus = Connect(options_.queryTimeout);
  if (!bus) return out;
  auto objects = Read(*bus);
  if (!objects) return out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const Device* device = objects->Find(names[i]);
    if (device && (device->dhcp4Config != "/" || !ConnectionFor(*bus, *objects, *device).empty()))
      out[i] = Lease(*objects, *device);
  }
  return out;
}

DWORD NetworkManagerClient::DoRelease(const std::string& name) {
  auto bus = Connect(options_.releaseTimeout);
  std::optional<Objects> objects = bus ? Read(*bus) : std::nullopt;
  const Device* device = objects ? objects->Find(name) : nullptr;
  if (!device || (device->dhcp4Config == "/" && ConnectionFor(*bus, *objects, *device).empty()))
    return ERROR_NOT_FOUND;
  auto r = bus->Call(kNmService, device->path, kDevice, "Disconnect");
  if (r.error == "org.freedesktop.NetworkManager.Device.NotActive") return NO_ERROR;  // nothing held
  return dhcp::ErrorOf(r);
}

DWORD NetworkManagerClient::DoRenew(const std::string& name) {
  const auto start = std::chrono::steady_clock::now();
  auto bus = Connect(options_.renewTimeout);
  std::optional<Objects> objects = bus ? Read(*bus) : std::nullopt;
  const Device* device = objects ? objects->Find(name) : nullptr;
  std::string connection = device ? ConnectionFor(*bus, *objects, *device) : std::string();
  if (connection.empty()) return ERROR_NOT_FOUND;
  const std::string path = device->path, before = device->dhcp4Config;
  auto r = bus->Call(kNmService, kNmManagerPath, kNmService, "ActivateConnection", "ooo",
                     connection.c_str(), path.c_str(), "/");
  if (r.status != CallStatus::Ok) return dhcp::ErrorOf(r);
  // Activation goes on after the call; the renewal is done when the device
  // is activated with a DHCP configuration other than the one it had.
  return PollUntil(start, options_.renewTimeout, [&]() -> std::optional<DWORD> {
    objects = Read(*bus);
    if (!objects || !objects->devices.count(path)) return ERROR_GEN_FAILURE;
    const Device& d = objects->devices.at(path);
    if (d.state == kFailed) return ERROR_GEN_FAILURE;
    if (d.state == kActivated && d.dhcp4Config != "/" && d.dhcp4Config != before &&
        Lease(*objects, d).leaseExpires != 0)
      return NO_ERROR;
    return std::nullopt;
  });
}

}  // namespace lorvane::iphlp
