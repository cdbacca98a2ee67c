// A client connection to a system bus, for asking the network daemons that
// run DHCP themselves. Replies are untrusted: every read checks its type, and
// a reply of the wrong shape is simply no answer. No call ever starts a
// service to answer it, and every call is bounded in time.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/types.h"

struct sd_bus;
struct sd_bus_message;
struct sd_bus_slot;

namespace lorvane::iphlp::dhcp {

// The system bus's socket, where the system keeps it. Never taken from the
// environment: a root process must not be steered to another bus.
inline constexpr const char* kSystemBus = "unix:path=/run/dbus/system_bus_socket";

struct MessageUnref {
  void operator()(sd_bus_message* m) const;
};
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;
struct SlotUnref {
  void operator()(sd_bus_slot* s) const;
};

enum class CallStatus { Ok, TimedOut, Failed };

struct CallResult {
  CallStatus status = CallStatus::Failed;
  std::string error;  // the D-Bus error name, when the daemon answered with one
  Message reply;
};

// The Win32 error of a call: NO_ERROR, ERROR_TIMEOUT, ERROR_ACCESS_DENIED
// when the daemon or the bus refused the caller, else ERROR_GEN_FAILURE.
DWORD ErrorOf(const CallResult& r);

class Bus {
 public:
  // Nullptr when the bus cannot be reached.
  static std::unique_ptr<Bus> Open(const std::string& address, std::chrono::milliseconds timeout);
  ~Bus();
  Bus(const Bus&) = delete;
  Bus& operator=(const Bus&) = delete;

  // The process that owns `name`, when it runs as root (or this process's
  // user, or the system user named `systemUser` that the daemon drops to) in
  // the calling thread's network namespace: a daemon on the same bus that
  // manages another namespace's links is not the one to ask.
  struct Daemon {
    pid_t pid = 0;
    uid_t uid = 0;
  };
  std::optional<Daemon> DaemonHere(const std::string& name, const std::string& procDir,
                                   const char* systemUser = nullptr);

  // Calls a method with arguments of `types` (sd-bus's signature letters).
  CallResult Call(const std::string& destination, const std::string& path,
                  const std::string& interface, const std::string& member, const char* types = "",
                  ...);
  // Calls `member` with the one string argument `argument` (none when empty)
  // on each of `paths` at once: the daemon answers them in turn, and the
  // caller waits for one round trip instead of one a path.
  std::vector<CallResult> CallEach(const std::string& destination,
                                   const std::vector<std::string>& paths,
                                   const std::string& interface, const std::string& member,
                                   const std::string& argument);

 private:
  explicit Bus(sd_bus* bus) : bus_(bus) {}
  Message NewCall(const std::string& destination, const std::string& path,
                  const std::string& interface, const std::string& member);
  // Each call's result; one that is null failed before it was sent.
  std::vector<CallResult> Send(const std::vector<Message>& calls);
  sd_bus* bus_;
};

// Reads of one value at the message's position; false on any other type.
// ReadString reads a string, or an object path with `type` 'o'.
bool ReadString(sd_bus_message* m, std::string& out, std::size_t cap = 4096, char type = 's');
bool ReadBool(sd_bus_message* m, bool& out);
bool ReadUint32(sd_bus_message* m, unsigned& out);
bool ReadUint64(sd_bus_message* m, std::uint64_t& out);
// An array of object paths, at most `cap` of them.
bool ReadPaths(sd_bus_message* m, std::vector<std::string>& out, std::size_t cap);
// Enters a variant that must hold `type`, reads it with `read`, and leaves.
bool InVariant(sd_bus_message* m, const char* type, const std::function<bool()>& read);
// A dictionary a{`entry`} whose keys are strings (or object paths, for an
// `entry` that starts with 'o'), at most `cap` entries: `each` gets each key
// at its value and reads the value whole; a false from it, or any other
// shape, fails the whole dictionary.
bool ReadDict(sd_bus_message* m, const char* entry, std::size_t cap,
              const std::function<bool(const std::string& key)>& each);
// a{sv} whose values are all strings, at most `cap` of them.
bool ReadStringMap(sd_bus_message* m, std::map<std::string, std::string>& out, std::size_t cap);


}  // namespace lorvane::iphlp::dhcp
