#include "platform/driver/command.h"

#include <cstdio>

#include "platform/base/errors.h"

namespace lorvane::driver {

int RunAdapterCommand(const std::vector<std::string>& args, DriverOptions options) {
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: lorvane-adapter add|register|apply|restart INTERFACE\n");
    return kExitRefused;
  }
  const std::string& mode = args[0];
  const std::string& name = args[1];
  AdapterDriver driver(std::move(options));
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
    std::fprintf(stderr, "usage: lorvane-adapter add|register|apply|restart INTERFACE\n");
    return kExitRefused;
  }
  if (err == NO_ERROR) return kExitDone;
  return err == ERROR_INVALID_PARAMETER ? kExitRefused : kExitFailed;
}

}  // namespace lorvane::driver
