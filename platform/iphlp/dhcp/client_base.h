// What every DHCP client behind the live provider shares: the interface name
// checked once before any client sees it, the timeouts, the clock, a poll to
// a deadline and the running of an outside program from a place no one else
// can change. Each client keeps only how it asks, parses, releases and renews.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "platform/iphlp/dhcp_client.h"
#include "platform/kernel/bounded_run.h"

namespace lorvane::iphlp::dhcp {

struct ClientOptions {
  std::string procDir = "/proc";
  // Asking a daemon is a local round trip; the bound is for one that hangs.
  std::chrono::milliseconds queryTimeout{1000};
  // Release is one packet; a renewal waits for a server's offer and
  // acknowledgement, and clients retransmit after about 3 s, so the bound
  // lets two or three exchanges fail before the blocked caller gets its
  // answer.
  std::chrono::milliseconds releaseTimeout{5000};
  std::chrono::milliseconds renewTimeout{10000};
  // Seconds since 1970; empty: the system clock.
  std::function<std::int64_t()> now;
};

class ClientBase : public DhcpClient {
 public:
  // A name that cannot be handed on is no client's link; the others go to
  // Query in one call.
  std::vector<DhcpState> States(const std::vector<std::string>& interfaceNames) final;
  // ERROR_INVALID_PARAMETER for a name that cannot be handed on; else the
  // client's answer.
  DWORD Release(const std::string& interfaceName) final;
  DWORD Renew(const std::string& interfaceName) final;

 protected:
  explicit ClientBase(const ClientOptions& options) : now_(options.now) {}

  // One answer per name, in order; every name is safe to hand on.
  virtual std::vector<DhcpState> Query(const std::vector<std::string>& names) = 0;
  // Release (`renew` false) or renew.
  virtual DWORD Act(const std::string& name, bool renew) = 0;

  std::int64_t Now() const;
  // Asks `step` until it gives an answer or `timeout` from `start` has passed
  // (ERROR_TIMEOUT), pausing kPollPause between tries.
  static constexpr std::chrono::milliseconds kPollPause{20};
  static DWORD PollUntil(std::chrono::steady_clock::time_point start,
                         std::chrono::milliseconds timeout,
                         const std::function<std::optional<DWORD>()>& step);
  // `configured`, or the first of `candidates` that can be run.
  static std::string FindProgram(const std::string& configured,
                                 std::initializer_list<const char*> candidates);
  // Runs argv (argv[0] the program) with the system's PATH alone, only when
  // the program sits where no one but root could have put it:
  // ERROR_FILE_NOT_FOUND without one, ERROR_ACCESS_DENIED for an untrusted
  // one, else kernel::ErrorOf the run. `link` must exist where it runs.
  static DWORD RunProgram(kernel::RunRequest request, const std::string& link);

 private:
  std::function<std::int64_t()> now_;
};

}  // namespace lorvane::iphlp::dhcp
