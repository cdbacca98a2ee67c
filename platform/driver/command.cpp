#include "platform/driver/command.h"

#include <syslog.h>

#include <cstdio>

#include "platform/base/errors.h"
#include "platform/driver/helper_status.h"
#include "platform/driver/network_address.h"

namespace lorvane::driver {
namespace {

constexpr const char* kUsage =
    "usage: lorvane-adapter add|register|apply|restart INTERFACE\n"
    "       lorvane-adapter lease release|renew INTERFACE\n"
    "       lorvane-adapter address set-value SUBKEY NetworkAddress TEXT\n"
    "       lorvane-adapter address delete-value SUBKEY NetworkAddress\n";

// The window's acts say which error they met; the hooks' modes only whether.
int WindowActStatus(DWORD err) {
  return err == ERROR_INVALID_PARAMETER ? kExitRefused : ExitStatusFor(err);
}

int WindowAct(AdapterDriver& driver, const std::vector<std::string>& args) {
  const std::string& kind = args[0];
  const std::string act = args.size() > 1 ? args[1] : "";
  if (kind == "lease" && args.size() == 3 && (act == "release" || act == "renew"))
    return WindowActStatus(act == "renew" ? driver.Renew(args[2]) : driver.Release(args[2]));
  if (kind == "address" && act == "set-value" && args.size() == 5)
    return WindowActStatus(driver.SetValue(args[2], args[3], args[4]));
  if (kind == "address" && act == "delete-value" && args.size() == 4)
    return WindowActStatus(driver.DeleteValue(args[2], args[3]));
  return -1;
}

}  // namespace

int RunAdapterCommand(const std::vector<std::string>& args, DriverOptions options,
                      const Caller& caller) {
  auto refuse = [&](const std::string& why) {
    std::string line = "refused";
    for (std::size_t i = 0; i < args.size() && i < 5; ++i)
      line += " \"" + Printable(args[i]) + "\"";
    if (args.size() > 5) line += " ...";
    line += ": " + why;
    if (caller.pkexecUser) line += " (for uid " + Printable(*caller.pkexecUser, 12) + ")";
    if (options.log) {
      options.log(LOG_WARNING, line);
    } else {
      ::syslog(LOG_WARNING, "%s", line.c_str());
    }
    if (!caller.pkexecUser) std::fputs(kUsage, stderr);
    return kExitRefused;
  };
  if (const char* why = Refusal(caller, args)) return refuse(why);
  if (args.empty()) return refuse("no mode");
  AdapterDriver driver(options);
  if (args[0] == "lease" || args[0] == "address") {
    const int status = WindowAct(driver, args);
    return status >= 0 ? status : refuse("not a lease or address act");
  }
  if (args.size() != 2) return refuse("not a mode and one interface name");
  const std::string& mode = args[0];
  const std::string& name = args[1];
  DWORD err = ERROR_INVALID_PARAMETER;
  if (mode == "add") {
    err = driver.Add(name);
  } else if (mode == "register") {
    err = driver.Register(name);
  } else if (mode == "apply") {
    err = driver.Apply(name);
    if (err == ERROR_NOT_FOUND) err = NO_ERROR;
  } else if (mode == "restart") {
    err = driver.Restart(name);
  } else {
    return refuse("no such mode");
  }
  if (err == NO_ERROR) return kExitDone;
  return err == ERROR_INVALID_PARAMETER ? kExitRefused : kExitFailed;
}

}  // namespace lorvane::driver
