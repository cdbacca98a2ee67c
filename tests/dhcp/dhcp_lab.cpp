#include "dhcp_lab.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/kernel/trusted_files.h"
#include "platform/kernel/unique_fd.h"

namespace lorvane::test {
namespace {

namespace fs = std::filesystem;

// dhclient's script for the lab: the address and the default route, nothing
// else (above all, never the resolver configuration).
constexpr const char* kScript = R"(#!/bin/sh
case "$reason" in
  BOUND|RENEW|REBIND|REBOOT)
    [ "$old_ip_address" = "$new_ip_address" ] || ip -4 addr flush dev "$interface"
    ip -4 addr replace "$new_ip_address/$new_subnet_mask" dev "$interface"
    [ -z "$new_routers" ] || ip -4 route replace default via "${new_routers%% *}" dev "$interface";;
  EXPIRE|FAIL|RELEASE|STOP) ip -4 addr flush dev "$interface";;
esac
exit 0
)";

std::string NamespaceId(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) throw std::runtime_error("cannot see " + path);
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

// Taken as the program loads, before any thread enters a lab.
const std::string kHostNetns = NamespaceId("/proc/self/ns/net");

std::string HostDefaultRoute() { return RunCommand({"ip", "-4", "route", "show", "default"}).output; }

// Pids of the live dhclient processes in the namespace of that name.
std::vector<pid_t> DhclientsIn(const std::string& netns) {
  std::vector<pid_t> out;
  std::istringstream pids(RunCommand({"ip", "netns", "pids", netns}).output);
  for (std::string pid; pids >> pid;) {
    if (FileText("/proc/" + pid + "/comm") == "dhclient\n" &&
        FileText("/proc/" + pid + "/stat").find(") Z ") == std::string::npos)
      out.push_back(static_cast<pid_t>(std::stoi(pid)));
  }
  return out;
}

}  // namespace

// A /proc file may go with its process between open and read: plain reads
// that give up with an empty answer, as the product reads it, never a stream
// that throws.
std::string FileText(const std::string& path) {
  kernel::UniqueFd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  std::string text;
  if (fd.get() < 0 || !kernel::ReadAtMost(fd.get(), std::size_t{1} << 26, text)) return {};
  return text;
}

std::string DhcpLab::UnavailableReason() {
  std::string reason = NetnsUnavailableReason();
  if (!reason.empty()) return reason;
  return MissingProgram({"/usr/sbin/dnsmasq", "/usr/sbin/dhclient"});
}

DhcpLab::DhcpLab(int links) : links_(links) {
  char pattern[] = "/tmp/lvdhcplab.XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("no temporary directory");
  dir_ = pattern;
  std::ofstream(dir_ + "/script") << kScript;
  fs::permissions(dir_ + "/script", fs::perms::owner_all);
  // The lab's own configuration, so that what is asked of the server (option
  // 44 above all) does not hang on the host's.
  std::ofstream(dir_ + "/dhclient.conf") << "request subnet-mask, broadcast-address, routers, "
                                            "domain-name-servers, netbios-name-servers;\n";

  hostRoute_ = HostDefaultRoute();
  server_ = std::make_unique<NetNamespace>("lvds");
  client_ = std::make_unique<NetNamespace>("lvdc");
  clientId_ = NamespaceId(std::string(iphlp::kNetnsDir) + "/" + client_->name());
  if (clientId_ == kHostNetns) throw std::runtime_error("the lab's namespace is the host's");
  std::vector<std::string> serverLines = {"link add lvbr type bridge",
                                          "addr add 10.77.0.1/16 dev lvbr", "link set lvbr up"};
  std::vector<std::string> clientLines;
  for (int i = 0; i < links; ++i) {
    std::string s = "lvs" + std::to_string(i);
    serverLines.push_back("link add " + s + " type veth peer name " + Link(i) + " netns " +
                          client_->name());
    serverLines.push_back("link set " + s + " master lvbr");
    serverLines.push_back("link set " + s + " up");
    clientLines.push_back("link set " + Link(i) + " up");
  }
  server_->IpBatch(serverLines);
  client_->IpBatch(clientLines);
  // The client's namespace gets a resolver file of its own, in case anything
  // run there looks at /etc/resolv.conf.
  client_->WriteEtcFile("resolv.conf", "nameserver 127.0.0.1\n");

  std::string pidFile = dir_ + "/dnsmasq.pid";
  const ChildProcess& dnsmasq = server_->Spawn(
      {"dnsmasq", "--keep-in-foreground", "--conf-file=/dev/null", "--no-resolv", "--no-hosts",
       "--port=0", "--interface=lvbr", "--bind-interfaces", "--no-ping", "--dhcp-authoritative",
       "--dhcp-range=10.77.1.1,10.77.1.254,255.255.0.0,2m", std::string("--dhcp-option=3,") + kRouter,
       std::string("--dhcp-option=6,") + kDns1 + "," + kDns2,
       std::string("--dhcp-option=44,") + kWins1 + "," + kWins2,
       "--dhcp-leasefile=" + dir_ + "/dnsmasq.leases", "--pid-file=" + pidFile,
       "--log-facility=" + dir_ + "/dnsmasq.log", "--log-dhcp"},
      dir_ + "/dnsmasq.out");
  serverPid_ = dnsmasq.pid();
  for (int i = 0; i < 500 && !fs::exists(pidFile); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (!fs::exists(pidFile))
    throw std::runtime_error("dnsmasq did not start: " + FileText(dir_ + "/dnsmasq.out"));
}

DhcpLab::~DhcpLab() {
  HoldServer(false);
  for (pid_t pid : DhclientsIn(client_->name())) kill(pid, SIGTERM);
  for (int i = 0; i < 200 && !DhclientsIn(client_->name()).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  for (pid_t pid : DhclientsIn(client_->name())) kill(pid, SIGKILL);
  client_.reset();
  server_.reset();
  std::error_code ignored;
  fs::remove_all(dir_, ignored);
  // Nothing of the lab may reach the host's own routes.
  if (const std::string now = HostDefaultRoute(); now != hostRoute_) {
    std::fprintf(stderr, "the host's default route changed while a DHCP lab ran: was '%s', is '%s'\n",
                 hostRoute_.c_str(), now.c_str());
    ADD_FAILURE() << "the host's default route changed while a DHCP lab ran";
  }
}

std::vector<std::string> DhcpLab::Guarded(std::vector<std::string> argv) const {
  argv.insert(argv.begin(), {LORVANE_IN_LAB_NETNS, clientId_, kHostNetns, "--"});
  return argv;
}

// `mode`: -1 to wait for the lease, -nw to go to the background at once.
void DhcpLab::RunClient(int i, const char* mode) const {
  CommandResult r = client_->Run({"dhclient", mode, "-cf", dir_ + "/dhclient.conf", "-lf",
                                  dir_ + "/dhclient." + Link(i) + ".leases", "-pf",
                                  dir_ + "/dhclient." + Link(i) + ".pid", "-sf", dir_ + "/script",
                                  Link(i)});
  if (r.exitCode != 0) throw std::runtime_error("dhclient " + Link(i) + ": " + r.output);
}

void DhcpLab::StartClient(int i) { RunClient(i, "-1"); }

void DhcpLab::StartAllClients() {
  for (int i = 0; i < links_; ++i) RunClient(i, "-nw");
  WaitBound(links_, std::chrono::seconds(120));
}

void DhcpLab::WaitBound(int count, std::chrono::seconds limit) const {
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (int i = 0; i < count; ++i) {
    while (client_->Ip({"-4", "-o", "addr", "show", "dev", Link(i)}).find("inet 10.77.") ==
           std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline)
        throw std::runtime_error(Link(i) + " got no lease");
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
}

iphlp::DhclientOptions DhcpLab::ClientOptions() const {
  iphlp::DhclientOptions o;
  o.leaseDirs = {dir_};
  o.configFiles = {};
  o.interfacesFile = dir_ + "/no-interfaces";
  o.runDir = dir_;
  o.script = dir_ + "/script";
  o.clientConfig = dir_ + "/dhclient.conf";
  o.netns = client_->name();
  return o;
}

void DhcpLab::HoldServer(bool held) {
  if (serverPid_ > 0) kill(serverPid_, held ? SIGSTOP : SIGCONT);
}

int DhcpLab::RunningClients() const {
  return static_cast<int>(DhclientsIn(client_->name()).size());
}

}  // namespace lorvane::test
