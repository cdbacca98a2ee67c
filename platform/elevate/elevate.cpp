#include "platform/elevate/elevate.h"

#include <unistd.h>

#include "platform/base/errors.h"
#include "platform/driver/adapter_driver.h"
#include "platform/driver/helper_status.h"
#include "platform/iphlp/interface_name.h"
#include "platform/iphlp/provider.h"
#include "platform/kernel/blocking.h"
#include "platform/kernel/bounded_run.h"
#include "platform/registry/registry.h"
#include "platform/registry/winreg.h"

namespace lorvane::elevate {
namespace {

// pkexec's own exit statuses: the user dismissed or failed the prompt, or
// pkexec could not ask (no agent, no such command).
constexpr int kPkexecNotAuthorized = 126;
constexpr int kPkexecFailed = 127;

constexpr std::string_view kClassKey = registry::kNetworkClassKey;

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

DWORD RunHelper(const Helper& helper, const std::vector<std::string>& args) {
  kernel::RunRequest request;
  request.argv = {helper.pkexec, helper.command};
  request.argv.insert(request.argv.end(), args.begin(), args.end());
  request.timeout = helper.timeout;
  const kernel::RunResult result = kernel::RunBounded(request);
  switch (result.outcome) {
    case kernel::RunOutcome::Exited:
      if (result.code == kPkexecNotAuthorized || result.code == kPkexecFailed)
        return ERROR_ACCESS_DENIED;
      return driver::ErrorForExitStatus(result.code);
    case kernel::RunOutcome::TimedOut:
      return ERROR_TIMEOUT;
    case kernel::RunOutcome::NotStarted:
      return ERROR_ACCESS_DENIED;  // no pkexec: nobody to ask
    default:
      return ERROR_GEN_FAILURE;
  }
}

std::vector<std::string> ChangeArguments(const std::string& keyPath, const std::string& name,
                                         DWORD type, const std::string* data) {
  const std::string_view path(keyPath);
  if (path.size() != kClassKey.size() + 4 ||
      !SameIgnoringCase(path.substr(0, kClassKey.size()), kClassKey))
    return {};
  const std::string subkey(path.substr(kClassKey.size()));
  if (!SameIgnoringCase(name, registry::kNetworkAddressValue)) return {};
  if (data == nullptr) return {"address", "delete-value", subkey, registry::kNetworkAddressValue};
  // Text with its one NUL at the end is all a command line can carry.
  if (type != REG_SZ || data->empty() || data->find('\0') != data->size() - 1 ||
      data->size() - 1 > driver::kMaxStoredText)
    return {};
  return {"address", "set-value", subkey, registry::kNetworkAddressValue,
          data->substr(0, data->size() - 1)};
}

void RouteThroughHelper(const Helper& helper, uid_t effectiveUser) {
  // Root's window acts itself; any other user's needs root for them.
  if (effectiveUser != 0) InstallRoutes(helper);
}

void InstallRoutes(const Helper& helper) {
  registry::SetPrivilegedChange([helper](const std::string& keyPath, const std::string& name,
                                         DWORD type, const std::string* data) -> DWORD {
    const std::vector<std::string> args = ChangeArguments(keyPath, name, type, data);
    if (args.empty()) return ERROR_ACCESS_DENIED;
    DWORD result = ERROR_GEN_FAILURE;
    kernel::RunBlocking([&] { result = RunHelper(helper, args); });
    // The helper finds a missing key or one naming no adapter as the program
    // would find no key at all.
    return result == ERROR_NOT_FOUND ? ERROR_FILE_NOT_FOUND : result;
  });
  iphlp::SetLeaseRoute([helper](std::uint32_t index, bool renew) -> DWORD {
    std::vector<iphlp::AdapterRecord> table;
    const DWORD err = iphlp::CurrentProvider().InterfaceTable(table);
    if (err != NO_ERROR) return err;
    for (const auto& record : table) {
      if (record.index != index) continue;
      if (!iphlp::IsSafeInterfaceName(record.name)) return ERROR_INVALID_PARAMETER;
      return RunHelper(helper, {"lease", renew ? "renew" : "release", record.name});
    }
    return ERROR_NOT_FOUND;
  });
}

}  // namespace lorvane::elevate
