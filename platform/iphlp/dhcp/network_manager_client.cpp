#include "platform/iphlp/dhcp/network_manager_client.h"

#include <systemd/sd-bus.h>

#include <ctime>
#include <map>
#include <thread>

#include "platform/base/errors.h"
#include "platform/iphlp/dhcp/dhcpcd_output.h"
#include "platform/iphlp/dhcp/lease_file.h"
#include "platform/iphlp/interface_name.h"

namespace lorvane::iphlp {
namespace {

using dhcp::CallStatus;

constexpr const char* kService = "org.freedesktop.NetworkManager";
constexpr const char* kManagerPath = "/org/freedesktop/NetworkManager";
constexpr const char* kDevice = "org.freedesktop.NetworkManager.Device";
constexpr const char* kDhcp4Config = "org.freedesktop.NetworkManager.DHCP4Config";
constexpr const char* kConnection = "org.freedesktop.NetworkManager.Settings.Connection";
constexpr const char* kActive = "org.freedesktop.NetworkManager.Connection.Active";
constexpr unsigned kActivated = 100;  // NM_DEVICE_STATE_ACTIVATED
constexpr unsigned kFailed = 120;
// A device offers a handful of connections; more is not worth the calls.
constexpr std::size_t kMaxConnections = 16;
constexpr std::size_t kMaxOptions = 512;

// a{sv} of strings, as DHCP4Config's Options are; false on anything else.
bool ReadStringMap(sd_bus_message* m, std::map<std::string, std::string>& out) {
  if (sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{sv}") <= 0) return false;
  int r;
  while ((r = sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "sv")) > 0) {
    std::string key, value;
    if (out.size() == kMaxOptions || !dhcp::ReadString(m, key, 256) ||
        sd_bus_message_enter_container(m, SD_BUS_TYPE_VARIANT, "s") <= 0 ||
        !dhcp::ReadString(m, value) || sd_bus_message_exit_container(m) < 0 ||
        sd_bus_message_exit_container(m) < 0 || !out.emplace(key, value).second)
      return false;
  }
  return r == 0 && sd_bus_message_exit_container(m) >= 0;
}

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
        ok = sd_bus_message_enter_container(m, SD_BUS_TYPE_VARIANT, "s") > 0 &&
             dhcp::ReadString(m, method, 64) && sd_bus_message_exit_container(m) >= 0;
      } else if (group == "connection" && key == "timestamp") {
        ok = sd_bus_message_enter_container(m, SD_BUS_TYPE_VARIANT, "t") > 0 &&
             sd_bus_message_read_basic(m, SD_BUS_TYPE_UINT64, &timestamp) > 0 &&
             sd_bus_message_exit_container(m) >= 0;
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

DWORD ErrorOf(const dhcp::CallResult& r) {
  switch (r.status) {
    case CallStatus::Ok:
      return NO_ERROR;
    case CallStatus::TimedOut:
      return ERROR_TIMEOUT;
    case CallStatus::NoDaemon:
    case CallStatus::Failed:
      break;
  }
  if (r.error == "org.freedesktop.NetworkManager.PermissionDenied" ||
      r.error == "org.freedesktop.DBus.Error.AccessDenied")
    return ERROR_ACCESS_DENIED;
  return ERROR_GEN_FAILURE;
}

}  // namespace

NetworkManagerClient::NetworkManagerClient(NetworkManagerOptions options)
    : options_(std::move(options)) {}

std::int64_t NetworkManagerClient::Now() const {
  return options_.now ? options_.now() : static_cast<std::int64_t>(std::time(nullptr));
}

std::unique_ptr<dhcp::Bus> NetworkManagerClient::Connect(std::chrono::milliseconds timeout) const {
  auto bus = dhcp::Bus::Open(options_.busAddress, timeout);
  if (!bus || !bus->DaemonHere(kService, options_.procDir)) return nullptr;
  return bus;
}

std::optional<NetworkManagerClient::Device> NetworkManagerClient::Find(
    dhcp::Bus& bus, const std::string& name) const {
  auto found = bus.Call(kService, kManagerPath, kService, "GetDeviceByIpIface", "s", name.c_str());
  Device device;
  bool managed = false;
  if (found.status != CallStatus::Ok || !dhcp::ReadPath(found.reply.get(), device.path) ||
      !dhcp::ReadBool(bus.Property(kService, device.path, kDevice, "Managed", "b").get(), managed) ||
      !managed ||
      !dhcp::ReadPath(bus.Property(kService, device.path, kDevice, "Dhcp4Config", "o").get(),
                      device.dhcp4Config))
    return std::nullopt;
  device.enabled = device.dhcp4Config != "/" || !ConnectionFor(bus, device).empty();
  return device;
}

// The connection a renewal activates: the device's active one, else the one
// it used last of those it may activate with DHCP.
std::string NetworkManagerClient::ConnectionFor(dhcp::Bus& bus, const Device& device) const {
  std::string active, connection;
  if (dhcp::ReadPath(bus.Property(kService, device.path, kDevice, "ActiveConnection", "o").get(),
                     active) &&
      active != "/" &&
      dhcp::ReadPath(bus.Property(kService, active, kActive, "Connection", "o").get(), connection) &&
      device.dhcp4Config != "/")
    return connection;
  std::vector<std::string> available;
  if (!dhcp::ReadPaths(
          bus.Property(kService, device.path, kDevice, "AvailableConnections", "ao").get(),
          available, kMaxConnections))
    return {};
  std::string best;
  std::uint64_t bestTime = 0;
  for (const auto& path : available) {
    auto settings = bus.Call(kService, path, kConnection, "GetSettings");
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

DhcpState NetworkManagerClient::Lease(dhcp::Bus& bus, const Device& device) const {
  DhcpState state;
  state.enabled = state.running = true;
  std::map<std::string, std::string> options;
  auto reply = bus.Property(kService, device.dhcp4Config, kDhcp4Config, "Options", "a{sv}");
  if (device.dhcp4Config == "/" || !reply || !ReadStringMap(reply.get(), options)) return state;
  auto get = [&](const char* key) -> const std::string* {
    auto it = options.find(key);
    return it == options.end() ? nullptr : &it->second;
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

DhcpState NetworkManagerClient::State(const std::string& interfaceName) {
  return States({interfaceName}).front();
}

std::vector<DhcpState> NetworkManagerClient::States(const std::vector<std::string>& interfaceNames) {
  std::vector<DhcpState> out(interfaceNames.size());
  auto bus = Connect(options_.callTimeout);
  if (!bus) return out;
  for (std::size_t i = 0; i < interfaceNames.size(); ++i) {
    if (!IsSafeInterfaceName(interfaceNames[i])) continue;
    auto device = Find(*bus, interfaceNames[i]);
    if (device && device->enabled) out[i] = Lease(*bus, *device);
  }
  return out;
}

DWORD NetworkManagerClient::Release(const std::string& interfaceName) {
  if (!IsSafeInterfaceName(interfaceName)) return ERROR_INVALID_PARAMETER;
  auto bus = Connect(options_.releaseTimeout);
  if (!bus) return ERROR_NOT_FOUND;
  auto device = Find(*bus, interfaceName);
  if (!device || !device->enabled) return ERROR_NOT_FOUND;
  auto r = bus->Call(kService, device->path, kDevice, "Disconnect");
  if (r.error == "org.freedesktop.NetworkManager.Device.NotActive") return NO_ERROR;  // nothing held
  return ErrorOf(r);
}

DWORD NetworkManagerClient::Renew(const std::string& interfaceName) {
  if (!IsSafeInterfaceName(interfaceName)) return ERROR_INVALID_PARAMETER;
  auto deadline = std::chrono::steady_clock::now() + options_.renewTimeout;
  auto bus = Connect(options_.renewTimeout);
  if (!bus) return ERROR_NOT_FOUND;
  auto device = Find(*bus, interfaceName);
  if (!device || !device->enabled) return ERROR_NOT_FOUND;
  std::string connection = ConnectionFor(*bus, *device);
  if (connection.empty()) return ERROR_NOT_FOUND;
  auto r = bus->Call(kService, kManagerPath, kService, "ActivateConnection", "ooo",
                     connection.c_str(), device->path.c_str(), "/");
  if (r.status != CallStatus::Ok) return ErrorOf(r);
  // Activation goes on after the call; the renewal is done when the device
  // is activated with a DHCP configuration other than the one it had.
  while (std::chrono::steady_clock::now() < deadline) {
    unsigned state = 0;
    std::string config;
    if (!dhcp::ReadUint32(bus->Property(kService, device->path, kDevice, "State", "u").get(),
                          state))
      return ERROR_GEN_FAILURE;
    if (state == kFailed) return ERROR_GEN_FAILURE;
    if (state == kActivated &&
        dhcp::ReadPath(bus->Property(kService, device->path, kDevice, "Dhcp4Config", "o").get(),
                       config) &&
        config != "/" && config != device->dhcp4Config)
      return NO_ERROR;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return ERROR_TIMEOUT;
}

}  // namespace lorvane::iphlp
