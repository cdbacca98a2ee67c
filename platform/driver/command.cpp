#include "platform/driver/command.h"

#include <cstdio>

#include "platform/base/errors.h"
#include "platform/driver/helper_status.h"

namespace lorvane::driver {
namespace {

constexpr const char* kUsage =
    "usage: lorvane-adapter add|register|apply|restart|release|renew INTERFACE\n"
    "       lorvane-adapter set-value SUBKEY NetworkAddress TEXT\n"
    "       lorvane-adapter delete-value SUBKEY NetworkAddress\n";

int Refuse() {
  std::fputs(kUsage, stderr);
  return kExitRefused;
}

// The window's acts say which error they met; the hooks' modes only whether.
int WindowActStatus(DWORD err) {
  return err == ERROR_INVALID_PARAMETER ? kExitRefused : ExitStatusFor(err);
}

}  // namespace

int RunAdapterCommand(const std::vector<std::string>& args, DriverOptions options) {
  if (args.empty()) return Refuse();
  const std::string& mode = args[0];
  AdapterDriver driver(std::move(options));
  if (mode == "set-value") {
    if (args.size() != 4) return Refuse();
    return WindowActStatus(driver.SetValue(args[1], args[2], args[3]));
  }
  if (mode == "delete-value") {
    if (args.size() != 3) return Refuse();
    return WindowActStatus(driver.DeleteValue(args[1], args[2]));
  }
  if (args.size() != 2) return Refuse();
  const std::string& name = args[1];
  if (mode == "release") return WindowActStatus(driver.Release(name));
  if (mode == "renew") return WindowActStatus(driver.Renew(name));
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
    return Refuse();
  }
  if (err == NO_ERROR) return kExitDone;
  return err == ERROR_INVALID_PARAMETER ? kExitRefused : kExitFailed;
}

}  // namespace lorvane::driver
