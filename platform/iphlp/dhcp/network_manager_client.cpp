#include "platform/iphlp/dhcp/network_manager_client.h"

#include <systemd/sd-bus.h>

#include "platform/base/errors.h"

namespace lorvane::iphlp {
namespace {

using dhcp::CallStatus;

constexpr const char* kNmService = "org.freedesktop.NetworkManager";
constexpr const char* kNmManagerPath = "/org/freedesktop/NetworkManager";
constexpr const char* kConnection = "org.freedesktop.NetworkManager.Settings.Connection";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
constexpr std::size_t kMaxDevices = 4096;
constexpr unsigned kActivated = 100;  // NM_DEVICE_STATE_ACTIVATED
constexpr unsigned kFailed = 120;

// From GetSettings' a{sa{sv}}: ipv4.method and connection.timestamp.
bool ReadSettings(sd_bus_message* m, std::string& method, std::uint64_t& timestamp) {
  return dhcp::ReadDict(m, "sa{sv}", 256, [&](const std::string& group) {
    return dhcp::ReadDict(m, "sv", 4096, [&](const std::string& key) {
      if (group == "ipv4" && key == "method")
        return dhcp::InVariant(m, "s", [&] { return dhcp::ReadString(m, method, 64); });
      if (group == "connection" && key == "timestamp")
        return dhcp::InVariant(m, "t", [&] { return dhcp::ReadUint64(m, timestamp); });
      return sd_bus_message_skip(m, "v") >= 0;
    });
  });
}

// The properties of `interface` of every one of `paths`, in one round trip.
// An object gone in the meantime (its call answered with an error) adds
// nothing; no answer, or one of another shape, fails them all.
bool ReadAll(dhcp::Bus& bus, const std::vector<std::string>& paths, const char* interface,
             dhcp::NmObjects& objects) {
  auto replies = bus.CallEach(kNmService, paths, kProperties, "GetAll", interface);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const auto& r = replies[i];
    if (r.status == CallStatus::Ok
            ? !dhcp::ReadNmProperties(r.reply.get(), paths[i], interface, objects)
            : r.status == CallStatus::TimedOut || r.error.empty())
      return false;
  }
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

// Only the objects a query needs, a round trip for each kind: the devices,
// their DHCP configurations and, for `connections`, their active
// connections. The object manager's reply of every object NetworkManager
// holds costs it several times as long.
std::optional<dhcp::NmObjects> NetworkManagerClient::Read(dhcp::Bus& bus, bool connections) const {
  auto all = bus.Call(kNmService, kNmManagerPath, kProperties, "Get", "ss", kNmService, "AllDevices");
  sd_bus_message* m = all.reply.get();
  std::vector<std::string> devices, configs, active;
  dhcp::NmObjects o;
  if (all.status != CallStatus::Ok ||
      !dhcp::InVariant(m, "ao", [&] { return dhcp::ReadPaths(m, devices, kMaxDevices); }) ||
      !ReadAll(bus, devices, dhcp::kNmDevice, o))
    return std::nullopt;
  for (const auto& [path, d] : o.devices) {
    if (d.dhcp4Config != "/") configs.push_back(d.dhcp4Config);
    if (connections && d.active != "/") active.push_back(d.active);
  }
  if (!ReadAll(bus, configs, dhcp::kNmDhcp4Config, o) || !ReadAll(bus, active, dhcp::kNmActive, o))
    return std::nullopt;
  return o;
}

// The connection a renewal activates: the device's active one, else the one
// it used last of those it may activate with DHCP (a call for each, made
// only for a device without a DHCP configuration).
std::string NetworkManagerClient::ConnectionFor(dhcp::Bus& bus, const dhcp::NmObjects& objects,
                                                const dhcp::NmDevice& device) const {
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

std::vector<DhcpState> NetworkManagerClient::Query(const std::vector<std::string>& names) {
  std::vector<DhcpState> out(names.size());
  auto bus = Connect(options_.queryTimeout);
  auto objects = bus ? Read(*bus) : std::nullopt;
  for (std::size_t i = 0; objects && i < names.size(); ++i) {
    const dhcp::NmDevice* device = objects->Find(names[i]);
    if (device && (device->dhcp4Config != "/" || !ConnectionFor(*bus, *objects, *device).empty()))
      out[i] = dhcp::NmLease(*objects, *device, Now());
  }
  return out;
}

// Release disconnects the device, which needs no connection where it holds
// a DHCP configuration; renew activates its connection again.
DWORD NetworkManagerClient::Act(const std::string& name, bool renew) {
  const auto start = std::chrono::steady_clock::now();
  const auto timeout = renew ? options_.renewTimeout : options_.releaseTimeout;
  auto bus = Connect(timeout);
  std::optional<dhcp::NmObjects> objects = bus ? Read(*bus, renew) : std::nullopt;
  const dhcp::NmDevice* device = objects ? objects->Find(name) : nullptr;
  const bool needsConnection = renew || (device && device->dhcp4Config == "/");
  const std::string connection =
      device && needsConnection ? ConnectionFor(*bus, *objects, *device) : std::string();
  if (!device || (needsConnection && connection.empty())) return ERROR_NOT_FOUND;
  if (!renew) {
    auto r = bus->Call(kNmService, device->path, dhcp::kNmDevice, "Disconnect");
    if (r.error == "org.freedesktop.NetworkManager.Device.NotActive") return NO_ERROR;  // none held
    return dhcp::ErrorOf(r);
  }
  const std::string path = device->path, before = device->dhcp4Config;
  auto r = bus->Call(kNmService, kNmManagerPath, kNmService, "ActivateConnection", "ooo",
                     connection.c_str(), path.c_str(), "/");
  if (r.status != CallStatus::Ok) return dhcp::ErrorOf(r);
  // Activation goes on after the call; the renewal is done when the device
  // is activated with a DHCP configuration other than the one it had.
  return PollUntil(start, timeout, [&]() -> std::optional<DWORD> {
    objects = Read(*bus);
    if (!objects || !objects->devices.count(path)) return ERROR_GEN_FAILURE;
    const dhcp::NmDevice& d = objects->devices.at(path);
    if (d.state == kFailed) return ERROR_GEN_FAILURE;
    if (d.state == kActivated && d.dhcp4Config != "/" && d.dhcp4Config != before &&
        dhcp::NmLease(*objects, d, Now()).leaseExpires != 0)
      return NO_ERROR;
    return std::nullopt;
  });
}

}  // namespace lorvane::iphlp
