#include "support/network_manager.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace lorvane::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kNetworkManager = "/usr/sbin/NetworkManager";
constexpr const char* kDispatcher = "/usr/lib/NetworkManager/nm-dispatcher";

}  // namespace

ChildProcess& StartPrivateBus(NetNamespace& ns, const std::string& folder,
                              std::vector<std::string> launcher) {
  std::ofstream(folder + "/bus.conf")
      << "<busconfig><type>system</type><listen>unix:path="
      << folder << "/bus</listen><auth>EXTERNAL</auth><policy context=\"default\">"
      << "<allow user=\"*\"/><allow own=\"*\"/><allow send_destination=\"*\"/>"
         "<allow receive_sender=\"*\"/></policy></busconfig>\n";
  launcher.insert(launcher.end(),
                  {"dbus-daemon", "--config-file=" + folder + "/bus.conf", "--nofork"});
  ChildProcess& bus = ns.Spawn(launcher, folder + "/bus.log");
  for (int i = 0; i < 50 && !fs::exists(folder + "/bus"); ++i) std::this_thread::sleep_for(100ms);
  if (!fs::exists(folder + "/bus")) throw std::runtime_error("the bus did not start");
  return bus;
}

std::string PrivateNetworkManager::UnavailableReason() {
  return MissingProgram({kNetworkManager, kDispatcher, "/usr/bin/dbus-daemon"});
}

PrivateNetworkManager::PrivateNetworkManager(
    NetNamespace& ns, const std::string& folder, const std::string& devices,
    const std::vector<std::pair<std::string, std::string>>& connections,
    const std::string& privateMounts)
    : folder_(folder) {
  for (const char* sub : {"run/NetworkManager", "varlib/NetworkManager", "dispatcher/pre-up.d",
                          "conf.d", "system", "connections"})
    fs::create_directories(folder + "/" + sub);
  std::ofstream(folder + "/NetworkManager.conf")
      << "[main]\nplugins=keyfile\ndns=none\nrc-manager=unmanaged\nauth-polkit=false\n"
         "no-auto-default=*\n[keyfile]\nunmanaged-devices=except:interface-name:"
      << devices << "\npath=" << folder << "/connections\n";
  for (const auto& [name, keyfile] : connections) {
    const std::string path = folder + "/connections/" + name + ".nmconnection";
    std::ofstream(path) << keyfile;
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  }

  bus_ =
      &StartPrivateBus(ns, folder,
                       {privateMounts, folder + "/run=/run", folder + "/varlib=/var/lib",
                        folder + "/dispatcher=/etc/NetworkManager/dispatcher.d", "ro=/sys", "--"});
  daemons_.emplace_back(Inside({kDispatcher, "--persist"}), folder + "/dispatcher.log");
  daemons_.emplace_back(
      Inside({kNetworkManager, "--no-daemon", "--config=" + folder + "/NetworkManager.conf",
              "--config-dir=" + folder + "/conf.d", "--system-config-dir=" + folder + "/system",
              "--intern-config=" + folder + "/intern.conf", "--state-file=" + folder + "/state"}),
      folder + "/NetworkManager.log");
  // Every connection names its device by its own name.
  auto ready = [&] {
    const std::string out = Nmcli({"-t", "-f", "DEVICE,STATE", "device"}).output;
    for (const auto& connection : connections)
      if (out.find(connection.first + ":disconnected") == std::string::npos) return false;
    return true;
  };
  for (int i = 0; i < 200 && !ready(); ++i) std::this_thread::sleep_for(100ms);
}

PrivateNetworkManager::~PrivateNetworkManager() {
  daemons_.clear();
  if (bus_) bus_->Stop();
}

std::vector<std::string> PrivateNetworkManager::Inside(const std::vector<std::string>& argv) const {
  std::vector<std::string> full{"nsenter", "-t", std::to_string(bus_->pid()), "-m", "-n", "--"};
  full.insert(full.end(), {"env", "DBUS_SYSTEM_BUS_ADDRESS=" + BusAddress()});
  full.insert(full.end(), argv.begin(), argv.end());
  return full;
}

CommandResult PrivateNetworkManager::Nmcli(std::vector<std::string> args) const {
  args.insert(args.begin(), "nmcli");
  return RunCommand(Inside(args));
}

}  // namespace lorvane::test
