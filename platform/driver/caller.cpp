#include "platform/driver/caller.h"

#include <cstdlib>
#include <cstring>

namespace lorvane::driver {
namespace {

std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

}  // namespace

Caller CallerFromEnvironment() {
  Caller caller;
  caller.pkexecUser = Variable("PKEXEC_UID");
  const char* subsystem = std::getenv("SUBSYSTEM");
  if (std::getenv("ACTION") != nullptr && subsystem != nullptr &&
      std::strcmp(subsystem, "net") == 0)
    caller.udevInterface = Variable("INTERFACE");
  return caller;
}

const char* Refusal(const Caller& caller, const std::vector<std::string>& args) {
  if (caller.pkexecUser && (args.empty() || (args[0] != "lease" && args[0] != "address")))
    return "through pkexec only a lease or a stored address may be changed";
  // udev splits its command line at quotes: a name holding one would arrive
  // as another link's name.
  if (caller.udevInterface && (args.size() != 2 || args[1] != *caller.udevInterface))
    return "the name is not the one udev gave for its event";
  return nullptr;
}

}  // namespace lorvane::driver
