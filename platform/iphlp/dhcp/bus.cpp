#include "platform/iphlp/dhcp/bus.h"

#include <systemd/sd-bus.h>
#include <pwd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <utility>

#include "platform/kernel/identity.h"
#include "platform/base/errors.h"
#include "platform/kernel/trusted_files.h"

namespace lorvane::iphlp::dhcp {

DWORD ErrorOf(const CallResult& r) {
  if (r.status == CallStatus::Ok) return NO_ERROR;
  if (r.status == CallStatus::TimedOut) return ERROR_TIMEOUT;
  for (const char* denied : {"org.freedesktop.DBus.Error.AccessDenied",
                             "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired",
                             "org.freedesktop.NetworkManager.PermissionDenied"}) {
    if (r.error == denied) return ERROR_ACCESS_DENIED;
  }
  return ERROR_GEN_FAILURE;
}

void MessageUnref::operator()(sd_bus_message* m) const { sd_bus_message_unref(m); }
void SlotUnref::operator()(sd_bus_slot* s) const { sd_bus_slot_unref(s); }

std::unique_ptr<Bus> Bus::Open(const std::string& address, std::chrono::milliseconds timeout) {
  sd_bus* bus = nullptr;
  if (sd_bus_new(&bus) < 0) return nullptr;
  std::unique_ptr<Bus> out(new Bus(bus));
  auto usec = static_cast<std::uint64_t>(timeout.count()) * 1000;
  if (sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
      sd_bus_set_method_call_timeout(bus, usec) < 0 || sd_bus_start(bus) < 0)
    return nullptr;
  return out;
}

Bus::~Bus() { sd_bus_flush_close_unref(bus_); }

// A call that must never be what starts a network daemon on the machine.
Message Bus::NewCall(const std::string& destination, const std::string& path,
                     const std::string& interface, const std::string& member) {
  sd_bus_message* call = nullptr;
  if (sd_bus_message_new_method_call(bus_, &call, destination.c_str(), path.c_str(),
                                     interface.c_str(), member.c_str()) < 0)
    return nullptr;
  Message owned(call);
  return sd_bus_message_set_auto_start(call, 0) < 0 ? nullptr : std::move(owned);
}

CallResult Bus::Call(const std::string& destination, const std::string& path,
                     const std::string& interface, const std::string& member, const char* types,
                     ...) {
  std::vector<Message> calls;
  calls.push_back(NewCall(destination, path, interface, member));
  va_list ap;
  va_start(ap, types);
  if (calls[0] && sd_bus_message_appendv(calls[0].get(), types, ap) < 0) calls[0].reset();
  va_end(ap);
  return std::move(Send(calls)[0]);
}

std::vector<CallResult> Bus::CallEach(const std::string& destination,
                                      const std::vector<std::string>& paths,
                                      const std::string& interface, const std::string& member,
                                      const std::string& argument) {
  std::vector<Message> calls;
  for (const auto& path : paths) {
    calls.push_back(NewCall(destination, path, interface, member));
    if (calls.back() && !argument.empty() &&
        sd_bus_message_append(calls.back().get(), "s", argument.c_str()) < 0)
      calls.back().reset();
  }
  return Send(calls);
}

// All at once, then the answers as they come. Each call has the bus's
// timeout, after which sd-bus answers it with an error of its own: the wait
// ends, whatever the daemon does.
std::vector<CallResult> Bus::Send(const std::vector<Message>& calls) {
  std::vector<CallResult> results(calls.size());
  std::size_t left = 0;
  std::vector<std::pair<CallResult*, std::size_t*>> pending(calls.size());
  std::vector<std::unique_ptr<sd_bus_slot, SlotUnref>> slots;
  auto done = [](sd_bus_message* m, void* data, sd_bus_error*) {
    auto [result, left] = *static_cast<std::pair<CallResult*, std::size_t*>*>(data);
    --*left;
    const sd_bus_error* e = sd_bus_message_get_error(m);
    result->status = !e ? CallStatus::Ok
                     : sd_bus_error_get_errno(e) == ETIMEDOUT ? CallStatus::TimedOut
                                                              : CallStatus::Failed;
    if (!e) result->reply.reset(sd_bus_message_ref(m));
    if (e && e->name) result->error = e->name;
    return 0;
  };
  for (std::size_t i = 0; i < calls.size(); ++i) {
    sd_bus_slot* slot = nullptr;
    pending[i] = {&results[i], &left};
    if (!calls[i] || sd_bus_call_async(bus_, &slot, calls[i].get(), done, &pending[i], 0) < 0)
      continue;
    slots.emplace_back(slot);
    ++left;
  }
  while (left > 0) {
    int r = sd_bus_process(bus_, nullptr);
    if (r < 0 || (r == 0 && sd_bus_wait(bus_, UINT64_MAX) < 0)) break;
  }
  return results;
}

// One round trip for both: a daemon that is not there costs only this.
std::optional<Bus::Daemon> Bus::DaemonHere(const std::string& name, const std::string& procDir,
                                           const char* systemUser) {
  unsigned pid = 0, uid = 0;
  bool havePid = false, haveUid = false;
  CallResult c = Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                      "GetConnectionCredentials", "s", name.c_str());
  sd_bus_message* m = c.reply.get();
  auto id = [&](unsigned& out, bool& seen) {
    return !std::exchange(seen, true) && InVariant(m, "u", [&] { return ReadUint32(m, out); });
  };
  if (c.status != CallStatus::Ok || !ReadDict(m, "sv", 64, [&](const std::string& key) {
        if (key == "ProcessID") return id(pid, havePid);
        if (key == "UnixUserID") return id(uid, haveUid);
        return sd_bus_message_skip(m, "v") >= 0;
      }) || !havePid || !haveUid || pid == 0)
    return std::nullopt;
  bool trusted = kernel::TrustedOwner(static_cast<uid_t>(uid));
  if (!trusted && systemUser) {
    struct passwd entry, *found = nullptr;
    char buffer[1024];
    trusted = getpwnam_r(systemUser, &entry, buffer, sizeof buffer, &found) == 0 && found &&
              found->pw_uid == uid;
  }
  kernel::FileId ours, theirs;
  if (!trusted || !kernel::ThisNamespace(procDir, ours) ||
      !kernel::IdentityOf(procDir + "/" + std::to_string(pid) + "/ns/net", theirs) ||
      !(theirs == ours))
    return std::nullopt;
  return Daemon{static_cast<pid_t>(pid), static_cast<uid_t>(uid)};
}

namespace {

template <typename Raw, typename Out>
bool ReadBasic(sd_bus_message* m, char type, Out& out) {
  Raw raw{};
  if (!m || sd_bus_message_read_basic(m, type, &raw) <= 0) return false;
  out = static_cast<Out>(raw);
  return true;
}

}  // namespace

bool ReadString(sd_bus_message* m, std::string& out, std::size_t cap, char type) {
  const char* s = nullptr;
  if (!ReadBasic<const char*>(m, type, s) || !s || std::strlen(s) > cap) return false;
  out = s;
  return true;
}

bool ReadBool(sd_bus_message* m, bool& out) { return ReadBasic<int>(m, SD_BUS_TYPE_BOOLEAN, out); }
bool ReadUint32(sd_bus_message* m, unsigned& out) {
  return ReadBasic<std::uint32_t>(m, SD_BUS_TYPE_UINT32, out);
}
bool ReadUint64(sd_bus_message* m, std::uint64_t& out) {
  return ReadBasic<std::uint64_t>(m, SD_BUS_TYPE_UINT64, out);
}

bool ReadPaths(sd_bus_message* m, std::vector<std::string>& out, std::size_t cap) {
  out.clear();
  if (!m || sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "o") <= 0) return false;
  const char* s = nullptr;
  int r;
  while ((r = sd_bus_message_read_basic(m, SD_BUS_TYPE_OBJECT_PATH, &s)) > 0) {
    if (out.size() == cap) return false;
    out.emplace_back(s);
  }
  return r == 0 && sd_bus_message_exit_container(m) >= 0;
}

bool InVariant(sd_bus_message* m, const char* type, const std::function<bool()>& read) {
  return m && sd_bus_message_enter_container(m, SD_BUS_TYPE_VARIANT, type) > 0 && read() &&
         sd_bus_message_exit_container(m) >= 0;
}

bool ReadDict(sd_bus_message* m, const char* entry, std::size_t cap,
              const std::function<bool(const std::string& key)>& each) {
  const std::string array = std::string("{") + entry + "}";
  if (!m || sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, array.c_str()) <= 0) return false;
  std::size_t entries = 0;
  int r;
  while ((r = sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, entry)) > 0) {
    std::string key;
    if (++entries > cap || !ReadString(m, key, 256, entry[0]) || !each(key) ||
        sd_bus_message_exit_container(m) < 0)
      return false;
  }
  return r == 0 && sd_bus_message_exit_container(m) >= 0;
}

bool ReadStringMap(sd_bus_message* m, std::map<std::string, std::string>& out, std::size_t cap) {
  out.clear();
  return ReadDict(m, "sv", cap, [&](const std::string& key) {
    std::string value;
    return InVariant(m, "s", [&] { return ReadString(m, value); }) &&
           out.emplace(key, std::move(value)).second;
  });
}

}  // namespace lorvane::iphlp::dhcp
