#include "lab_daemons.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "platform/iphlp/dhcp/bus.h"

namespace lorvane::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kNetworkd = "/lib/systemd/systemd-networkd";
constexpr const char* kDhcpcd = "/usr/sbin/dhcpcd";

}  // namespace

std::string LabNetworkd::UnavailableReason() {
  return MissingProgram({kNetworkd, "/usr/bin/dbus-daemon"});
}

LabNetworkd::LabNetworkd(DhcpLab& lab, int dhcpLinks, bool staticLink,
                         const std::string& privateMounts)
    : folder_(lab.dir() + "/networkd") {
  for (const char* sub : {"run/network", "etc"}) fs::create_directories(folder_ + "/" + sub);
  // networkd reaches the bus as the user it drops to.
  fs::permissions(lab.dir(), fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add);
  // The first link has DHCP from a drop-in only, as the client must read it.
  for (int i = 0; i < dhcpLinks; ++i) {
    const std::string file = folder_ + "/run/network/50-" + DhcpLab::Link(i) + ".network";
    std::ofstream(file) << "[Match]\nName=" << DhcpLab::Link(i) << "\n[Network]\nDHCP="
                        << (i == 0 ? "no" : "ipv4") << "\nLinkLocalAddressing=no\n";
    if (i != 0) continue;
    fs::create_directories(file + ".d");
    std::ofstream(file + ".d/10-dhcp.conf") << "[Network]\nDHCP=ipv4\n";
  }
  if (staticLink) {
    std::ofstream(folder_ + "/run/network/60-static.network")
        << "[Match]\nName=" << DhcpLab::Link(dhcpLinks)
        << "\n[Network]\nDHCP=ipv6\nAddress=10.77.9.9/16\n";
  }
  std::vector<std::string> launcher = {privateMounts, folder_ + "/run=/run/systemd",
                                       folder_ + "/etc=/etc/systemd/network", "ro=/sys", "--"};
  for (auto& arg : lab.Guarded({})) launcher.push_back(std::move(arg));
  bus_ = &StartPrivateBus(lab.client(), folder_, launcher);
  std::vector<std::string> networkd = {"nsenter", "-t", std::to_string(bus_->pid()), "-m", "-n", "--"};
  for (auto& arg : lab.Guarded({"env", "DBUS_SYSTEM_BUS_ADDRESS=" + BusAddress(), kNetworkd}))
    networkd.push_back(std::move(arg));
  networkd_ = std::make_unique<ChildProcess>(networkd, folder_ + "/networkd.log");
  try {
    lab.WaitBound(dhcpLinks, std::chrono::seconds(60));
  } catch (const std::runtime_error& e) {
    throw std::runtime_error(std::string(e.what()) + ": " + FileText(folder_ + "/networkd.log"));
  }
}

LabNetworkd::~LabNetworkd() = default;  // networkd first, then the bus with the lab

std::string LabDhcpcd::UnavailableReason() { return MissingProgram({kDhcpcd}); }

LabDhcpcd::LabDhcpcd(DhcpLab& lab, int links, const std::string& privateMounts)
    : lab_(lab) {
  const std::string f = lab.dir();
  for (const char* sub : {"run/dhcpcd", "lib", "hooks"}) fs::create_directories(f + "/" + sub);
  // No hooks at all: nothing of the host's resolver, name or clock.
  std::ofstream(f + "/dhcpcd.conf") << "noarp\nnohook resolv.conf, hostname, timesyncd, ntp\n"
                                       "option domain_name_servers, netbios_name_servers\n";
  // The holder lives as long as the lab's daemons: a pid that ended could
  // be another process's by the time a daemon enters its namespaces.
  std::vector<std::string> holder = {privateMounts, f + "/run=/run", f + "/lib=/var/lib/dhcpcd",
                                     f + "/hooks=/usr/lib/dhcpcd/dhcpcd-hooks",
                                     f + "/dhcpcd.conf=/etc/dhcpcd.conf", "--"};
  for (auto& arg : lab.Guarded({"sleep", "infinity"})) holder.push_back(std::move(arg));
  holder_ = &lab.client().Spawn(holder);
  // Not private_mounts still binding folders, but the program it runs.
  const std::string comm = "/proc/" + std::to_string(holder_->pid()) + "/comm";
  for (int i = 0; i < 200 && FileText(comm) != "sleep\n"; ++i) std::this_thread::sleep_for(10ms);
  if (FileText(comm) != "sleep\n") throw std::runtime_error("the holder did not start");
  // Each daemon goes to the background at once; then all bind together.
  for (int i = 0; i < links; ++i) {
    CommandResult started = RunCommand(Inside({kDhcpcd, "-4", "-b", DhcpLab::Link(i)}));
    if (started.exitCode != 0) throw std::runtime_error("dhcpcd did not start: " + started.output);
  }
  lab.WaitBound(links, std::chrono::seconds(60));
}

LabDhcpcd::~LabDhcpcd() {
  // A released or renewed link may have a daemon of its own again.
  for (int i = 0; i < lab_.links(); ++i) RunCommand(Inside({kDhcpcd, "-4", "-x", DhcpLab::Link(i)}));
}

std::vector<std::string> LabDhcpcd::Inside(std::vector<std::string> argv) const {
  argv = lab_.Guarded(std::move(argv));
  argv.insert(argv.begin(), {"nsenter", "-t", std::to_string(holder_->pid()), "-m", "-n", "--"});
  return argv;
}

std::unique_ptr<PrivateNetworkManager> StartLabNetworkManager(DhcpLab& lab, int links,
                                                               const std::string& privateMounts) {
  if (links != 1 && links != lab.links())
    throw std::invalid_argument("NetworkManager manages the first link or every link");
  std::vector<std::pair<std::string, std::string>> connections;
  for (int i = 0; i < links; ++i) {
    const std::string link = DhcpLab::Link(i);
    connections.emplace_back(link, "[connection]\nid=" + link +
                                       "\ntype=ethernet\ninterface-name=" + link +
                                       "\nautoconnect=false\n[ipv4]\nmethod=auto\n"
                                       "[ipv6]\nmethod=disabled\n");
  }
  auto nm = std::make_unique<PrivateNetworkManager>(
      lab.client(), lab.dir() + "/nm", links == lab.links() ? "lvc*" : DhcpLab::Link(0),
      connections, privateMounts);
  // Started by a class other tests share: before it may activate anything,
  // the daemon must be seen to run in the lab's namespace.
  const bool inLab = lab.client().RunInside([&] {
    auto bus = iphlp::dhcp::Bus::Open(nm->BusAddress(), 2s);
    return bus && bus->DaemonHere("org.freedesktop.NetworkManager", "/proc").has_value();
  });
  if (!inLab) throw std::runtime_error("NetworkManager does not run in the lab's namespace");
  for (int i = 0; i < links; ++i) {
    CommandResult up = nm->Nmcli({"--wait", "0", "connection", "up", DhcpLab::Link(i)});
    if (up.exitCode != 0) throw std::runtime_error("nmcli connection up: " + up.output);
  }
  lab.WaitBound(links, std::chrono::seconds(60));
  return nm;
}

}  // namespace lorvane::test
