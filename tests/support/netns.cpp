#include "support/netns.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <utility>

#include "platform/kernel/unique_fd.h"

namespace lorvane::test {
namespace {

constexpr const char* kEtcNetnsDir = "/etc/netns/";

std::string UniqueName(const std::string& prefix) {
  static std::atomic<unsigned> counter{0};
  return prefix + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

std::string ProbeNetns() {
  if (geteuid() != 0) return "needs root to make network namespaces";
  if (RunCommand({"ip", "-V"}, std::chrono::seconds(5)).exitCode != 0)
    return "needs the ip command (iproute2) to make network namespaces";
  std::string probe = UniqueName("lvprobe");
  CommandResult add = RunCommand({"ip", "netns", "add", probe}, std::chrono::seconds(10));
  if (add.exitCode != 0) return "cannot make a network namespace here: " + add.output;
  RunCommand({"ip", "netns", "delete", probe}, std::chrono::seconds(10));
  return {};
}

// Like RunCommand but throws std::runtime_error, with the output, unless the
// command exits 0.
std::string RunChecked(const std::vector<std::string>& argv,
                       std::chrono::milliseconds timeout = std::chrono::seconds(30),
                       const std::string& input = {}) {
  CommandResult r = RunCommand(argv, timeout, input);
  if (r.exitCode == 0) return r.output;
  std::string command;
  for (const auto& arg : argv) command += (command.empty() ? "" : " ") + arg;
  throw std::runtime_error(command + (r.timedOut ? ": timed out: " : ": failed: ") + r.output);
}

// Moves the calling thread into the namespace that `path` names.
void Join(const std::string& path, int type) {
  const kernel::UniqueFd target(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!target.valid() || setns(target.get(), type) != 0)
    throw std::runtime_error("cannot enter " + path + ": " + std::strerror(errno));
}

std::vector<std::string> Joined(std::vector<std::string> head,
                                const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

}  // namespace

std::string NetnsUnavailableReason() {
  static const std::string reason = ProbeNetns();
  return reason;
}

void EnterMountsOf(pid_t pid) {
  // A thread shares its root and directory with the others until it unshares
  // them, and may not change mount namespace while it does.
  if (unshare(CLONE_FS) != 0) throw std::runtime_error("cannot unshare this thread's root");
  Join("/proc/" + std::to_string(pid) + "/ns/mnt", CLONE_NEWNS);
}

NetNamespace::NetNamespace(const std::string& prefix) : name_(UniqueName(prefix)) {
  RunChecked({"ip", "netns", "add", name_});
  try {
    SetUp("lo");
  } catch (...) {
    RunCommand({"ip", "netns", "delete", name_});
    throw;
  }
}

NetNamespace::~NetNamespace() {
  children_.clear();  // stops them before their namespace goes
  if (etcDir_) {
    std::error_code ignored;
    std::filesystem::remove_all(kEtcNetnsDir + name_, ignored);
  }
  RunCommand({"ip", "netns", "delete", name_});
}

std::string NetNamespace::Ip(const std::vector<std::string>& args) const {
  return RunChecked(Joined({"ip", "-n", name_}, args));
}

void NetNamespace::IpBatch(const std::vector<std::string>& lines) const {
  std::string input;
  for (const auto& line : lines) input += line + "\n";
  RunChecked({"ip", "-n", name_, "-batch", "-"}, std::chrono::seconds(120), input);
}

void NetNamespace::AddVethPair(const std::string& link, const std::string& peer) const {
  Ip({"link", "add", link, "type", "veth", "peer", "name", peer});
}

void NetNamespace::DeleteLink(const std::string& link) const { Ip({"link", "delete", link}); }

void NetNamespace::SetUp(const std::string& link) const { Ip({"link", "set", link, "up"}); }

void NetNamespace::AddAddress(const std::string& link, const std::string& cidr) const {
  Ip({"address", "add", cidr, "dev", link});
}

std::uint32_t NetNamespace::IfIndex(const std::string& link) const {
  // "7: name@peer: <...>"
  return static_cast<std::uint32_t>(std::stoul(Ip({"-o", "link", "show", "dev", link})));
}

CommandResult NetNamespace::Run(const std::vector<std::string>& argv) const {
  return RunCommand(Joined({"ip", "netns", "exec", name_}, argv));
}

ChildProcess& NetNamespace::Spawn(const std::vector<std::string>& argv,
                                  const std::string& logPath) {
  // `ip netns exec` execs the command in its own place, so the handle's pid
  // is the command's.
  return children_.emplace_back(Joined({"ip", "netns", "exec", name_}, argv), logPath);
}

void NetNamespace::WriteEtcFile(const std::string& file, const std::string& content) {
  std::filesystem::create_directories(kEtcNetnsDir + name_);
  etcDir_ = true;
  std::ofstream out(kEtcNetnsDir + name_ + "/" + file, std::ios::trunc);
  out << content;
  if (!out.flush()) throw std::runtime_error("cannot write /etc/netns/" + name_ + "/" + file);
}

NetNamespace::Entered NetNamespace::Enter() const { return Entered(name_); }

NetNamespace::Entered::Entered(const std::string& name) {
  previous_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
  if (previous_ < 0) throw std::runtime_error("cannot open this thread's network namespace");
  try {
    Join("/run/netns/" + name, CLONE_NEWNET);
  } catch (...) {
    close(previous_);
    throw;
  }
}

NetNamespace::Entered::Entered(Entered&& other) noexcept
    : previous_(std::exchange(other.previous_, -1)) {}

NetNamespace::Entered::~Entered() {
  if (previous_ < 0) return;
  // A thread left in a test's namespace would query the wrong links from
  // then on; there is no sane way on after that.
  if (setns(previous_, CLONE_NEWNET) != 0) std::terminate();
  close(previous_);
}

}  // namespace lorvane::test
