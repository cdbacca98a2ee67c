#include "platform/driver/adapter_driver.h"

#include <net/if.h>
#include <syslog.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/base/errors.h"
#include "platform/driver/network_address.h"
#include "platform/iphlp/interface_name.h"
#include "platform/iphlp/netlink.h"
#include "platform/registry/registry.h"
#include "platform/registry/winreg.h"

namespace lorvane::driver {
namespace {

std::string Why(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
      return "no right to change it (root is needed)";
    case ERROR_DEV_NOT_EXIST:
      return "no such link";
    case ERROR_NOT_FOUND:
      return "the hive does not name it";
    case ERROR_REGISTRY_CORRUPT:
      return "the hive is damaged";
    case ERROR_TIMEOUT:
      return "the hive stayed busy";
    case ERROR_BUSY:
      return "the driver refused while the link is up";
    case ERROR_NOT_SUPPORTED:
      return "the driver does not support it";
    case ERROR_INVALID_PARAMETER:
      return "the kernel refused the address";
    default:
      return "error " + std::to_string(error);
  }
}

// By index once the link is known, so that a restart never goes on with
// another link that has taken the name meanwhile.
DWORD ReadLink(const std::string& name, std::uint32_t index, iphlp::netlink::LinkState& link) {
  const DWORD err = index == 0 ? iphlp::netlink::ReadLinkState(name, link)
                               : iphlp::netlink::ReadLinkState(index, link);
  if (err == ERROR_NOT_FOUND || (err == NO_ERROR && link.name != name)) return ERROR_DEV_NOT_EXIST;
  return err;
}

DWORD LinkError(DWORD err) { return err == ERROR_NOT_FOUND ? ERROR_DEV_NOT_EXIST : err; }

// Live where the driver takes it; otherwise down, set and up again, the last
// only when the link was up.
DWORD SetAddress(const iphlp::netlink::LinkState& link, const MacAddress& target, bool& cycled) {
  const std::vector<std::uint8_t> bytes(target.begin(), target.end());
  DWORD err = iphlp::netlink::SetLinkAddress(link.index, bytes);
  if (err != ERROR_BUSY || (link.flags & IFF_UP) == 0) return LinkError(err);
  cycled = true;
  if ((err = iphlp::netlink::SetLinkUp(link.index, false)) != NO_ERROR) return LinkError(err);
  err = iphlp::netlink::SetLinkAddress(link.index, bytes);
  const DWORD up = iphlp::netlink::SetLinkUp(link.index, true);
  return LinkError(err != NO_ERROR ? err : up);
}

// The value as its writer meant it: a string without its terminating NUL.
std::string Shown(DWORD type, const std::string& data) {
  const bool terminated = type == REG_SZ && !data.empty() && data.back() == '\0';
  return Printable(std::string_view(data).substr(0, data.size() - (terminated ? 1 : 0)));
}

}  // namespace

AdapterDriver::AdapterDriver(DriverOptions options) : options_(std::move(options)) {}

void AdapterDriver::Log(int priority, const std::string& line) const {
  if (options_.log) {
    options_.log(priority, line);
  } else {
    ::syslog(priority, "%s", line.c_str());
  }
}

bool AdapterDriver::Refused(const std::string& name) const {
  if (iphlp::IsSafeInterfaceName(name)) return false;
  Log(LOG_WARNING, "interface name \"" + Printable(name) + "\" refused");
  return true;
}

DWORD AdapterDriver::Register(const std::string& name) {
  if (Refused(name)) return ERROR_INVALID_PARAMETER;
  std::vector<registry::RegistrationChange> changes;
  const DWORD err = registry::RegisterAdapter(name, &changes);
  for (const auto& change : changes) {
    if (change.added) {
      Log(LOG_NOTICE, Printable(change.adapter) + ": registered as adapter " + change.subkey);
    } else {
      Log(LOG_NOTICE, Printable(change.adapter) + ": registration " + change.subkey +
                          " removed, the link is gone");
    }
  }
  if (err != NO_ERROR)
    Log(LOG_ERR,
        name + ": not registered: " + (err == ERROR_NOT_FOUND ? "no such link" : Why(err)));
  return err;
}

DWORD AdapterDriver::Apply(const std::string& name) {
  if (Refused(name)) return ERROR_INVALID_PARAMETER;
  bool hiveFailed = false;
  const DWORD err = ApplyTo(name, 0, &hiveFailed);
  if (err == ERROR_DEV_NOT_EXIST) Log(LOG_ERR, name + ": not applied: no such link");
  // The hooks run this as a link comes up: a hive that cannot be read or
  // written must not keep it down. The one line logged said so.
  return hiveFailed ? NO_ERROR : err;
}

DWORD AdapterDriver::Add(const std::string& name) {
  if (Refused(name)) return ERROR_INVALID_PARAMETER;
  const DWORD registered = Register(name);
  const DWORD applied = Apply(name);
  return registered != NO_ERROR ? registered : applied;
}

DWORD AdapterDriver::Restart(const std::string& name) {
  if (Refused(name)) return ERROR_INVALID_PARAMETER;
  DWORD type = 0;
  std::string data;
  DWORD err = registry::QueryAdapterValue(name, registry::kInstanceIdValue, type, data);
  if (err != NO_ERROR) {
    Log(LOG_ERR, name + ": not restarted: " + Why(err));
    return err;
  }
  iphlp::netlink::LinkState link;
  if ((err = ReadLink(name, 0, link)) != NO_ERROR) {
    Log(LOG_ERR, name + ": not restarted: " + Why(err));
    return err;
  }
  err = LinkError(iphlp::netlink::SetLinkUp(link.index, false));
  if (err == NO_ERROR) {
    if (options_.afterDown) options_.afterDown();
    // Up again even when the address could not be set: the link was asked
    // to restart, not to stay down.
    err = ApplyTo(name, link.index);
    const DWORD up =
        err == ERROR_DEV_NOT_EXIST ? err : LinkError(iphlp::netlink::SetLinkUp(link.index, true));
    if (err == NO_ERROR) err = up;
  }
  if (err == ERROR_DEV_NOT_EXIST) {
    Log(LOG_ERR, name + ": gone during the restart");
  } else if (err != NO_ERROR) {
    Log(LOG_ERR, name + ": restart failed: " + Why(err));
  }
  return err;
}

DWORD AdapterDriver::ApplyTo(const std::string& name, std::uint32_t index, bool* hiveFailed) {
  const char* leftAsItIs = hiveFailed != nullptr ? "; the address is left as it is" : "";
  DWORD type = 0;
  std::string data;
  DWORD err = registry::QueryAdapterValue(name, registry::kNetworkAddressValue, type, data);
  if (err == ERROR_NOT_FOUND) return err;  // not an adapter of the hive's: not ours to touch
  const bool stored = err == NO_ERROR;
  if (!stored && err != ERROR_FILE_NOT_FOUND) {
    Log(LOG_ERR, name + ": NetworkAddress not read: " + Why(err) + leftAsItIs);
    if (hiveFailed != nullptr) *hiveFailed = true;
    return err;
  }
  iphlp::netlink::LinkState link;
  if ((err = ReadLink(name, index, link)) != NO_ERROR) {
    if (err != ERROR_DEV_NOT_EXIST) Log(LOG_ERR, name + ": not applied: " + Why(err));
    return err;
  }

  MacAddress target{};
  std::string source;
  bool restoringKept = false;
  if (stored) {
    const char* refused = ParseNetworkAddress(type, data, target);
    if (refused == nullptr && link.address.size() != 6)
      refused = "the link has no Ethernet address";
    if (refused != nullptr) {
      Log(LOG_WARNING, name + ": NetworkAddress \"" + Shown(type, data) + "\" refused, " + refused +
                           "; the address is left as it is");
      return NO_ERROR;
    }
    source = "NetworkAddress";
  } else if (link.permanentAddress.size() == 6) {
    std::copy_n(link.permanentAddress.begin(), 6, target.begin());
    source = "its permanent address";
  } else {
    err = registry::QueryAdapterValue(name, registry::kOriginalAddressValue, type, data);
    if (err == ERROR_FILE_NOT_FOUND) return NO_ERROR;  // the platform never changed it
    if (err == NO_ERROR && ParseNetworkAddress(type, data, target) != nullptr) {
      Log(LOG_WARNING, name + ": " + registry::kOriginalAddressValue + " \"" + Shown(type, data) +
                           "\" refused; the address is left as it is");
      return NO_ERROR;
    }
    if (err != NO_ERROR) {
      Log(LOG_ERR, name + ": the address to restore not read: " + Why(err) + leftAsItIs);
      if (hiveFailed != nullptr) *hiveFailed = true;
      return err;
    }
    source = "the address it had before NetworkAddress";
    restoringKept = true;
  }

  if (link.address.size() != 6 || !std::equal(target.begin(), target.end(), link.address.begin())) {
    if (stored && link.permanentAddress.size() != 6) {
      // Without it there would be nothing to restore once the override goes.
      MacAddress current{};
      std::copy_n(link.address.begin(), std::min<std::size_t>(6, link.address.size()),
                  current.begin());
      err =
          registry::SetAdapterText(name, registry::kOriginalAddressValue, ValueText(current), true);
      if (err != NO_ERROR) {
        Log(LOG_ERR, name + ": NetworkAddress not applied: its own address could not be kept: " +
                         Why(err) + leftAsItIs);
        if (hiveFailed != nullptr) *hiveFailed = true;
        return err;
      }
    }
    bool cycled = false;
    if ((err = SetAddress(link, target, cycled)) != NO_ERROR) {
      if (err != ERROR_DEV_NOT_EXIST)
        Log(LOG_ERR, name + ": hardware address not set to " + FormatMac(target) + ": " + Why(err));
      return err;
    }
    Log(LOG_NOTICE, name + ": hardware address " +
                        FormatMac(link.address.data(), link.address.size()) + " changed to " +
                        FormatMac(target) + " (" + source +
                        (cycled ? "; the link was down for it" : "") + ")");
  }
  if (restoringKept) {
    // Its own address is back: the next override keeps whatever it has then.
    err = registry::DeleteAdapterValue(name, registry::kOriginalAddressValue);
    if (err != NO_ERROR && err != ERROR_FILE_NOT_FOUND) {
      Log(LOG_ERR, name + ": " + registry::kOriginalAddressValue + " not removed: " + Why(err));
      if (hiveFailed != nullptr) *hiveFailed = true;
      return err;
    }
  }
  return NO_ERROR;
}

}  // namespace lorvane::driver
