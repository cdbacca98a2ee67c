#include "platform/iphlp/dhcp/client_base.h"

#include <unistd.h>

#include <ctime>
#include <thread>

#include "platform/base/errors.h"
#include "platform/iphlp/interface_name.h"
#include "platform/kernel/trusted_files.h"

namespace lorvane::iphlp::dhcp {

std::vector<DhcpState> ClientBase::States(const std::vector<std::string>& interfaceNames) {
  std::vector<DhcpState> out(interfaceNames.size());
  std::vector<std::string> safe;
  std::vector<std::size_t> where;
  for (std::size_t i = 0; i < interfaceNames.size(); ++i) {
    if (!IsSafeInterfaceName(interfaceNames[i])) continue;
    safe.push_back(interfaceNames[i]);
    where.push_back(i);
  }
  if (safe.empty()) return out;
  std::vector<DhcpState> answers = Query(safe);
  for (std::size_t i = 0; i < where.size() && i < answers.size(); ++i)
    out[where[i]] = std::move(answers[i]);
  return out;
}

DWORD ClientBase::Release(const std::string& interfaceName) {
  return IsSafeInterfaceName(interfaceName) ? Act(interfaceName, false) : ERROR_INVALID_PARAMETER;
}

DWORD ClientBase::Renew(const std::string& interfaceName) {
  return IsSafeInterfaceName(interfaceName) ? Act(interfaceName, true) : ERROR_INVALID_PARAMETER;
}

std::int64_t ClientBase::Now() const {
  return now_ ? now_() : static_cast<std::int64_t>(std::time(nullptr));
}

DWORD ClientBase::PollUntil(std::chrono::steady_clock::time_point start,
                            std::chrono::milliseconds timeout,
                            const std::function<std::optional<DWORD>()>& step) {
  for (;;) {
    if (std::optional<DWORD> answer = step()) return *answer;
    if (std::chrono::steady_clock::now() - start >= timeout) return ERROR_TIMEOUT;
    std::this_thread::sleep_for(kPollPause);
  }
}

std::string ClientBase::FindProgram(const std::string& configured,
                                    std::initializer_list<const char*> candidates) {
  if (!configured.empty()) return configured;
  for (const char* candidate : candidates) {
    if (access(candidate, X_OK) == 0) return candidate;
  }
  return {};
}

DWORD ClientBase::RunProgram(kernel::RunRequest request, const std::string& link) {
  if (request.argv.empty() || request.argv[0].empty()) return ERROR_FILE_NOT_FOUND;
  if (!kernel::TrustedPlace(request.argv[0])) return ERROR_ACCESS_DENIED;
  request.environment = {"PATH=/usr/sbin:/usr/bin:/sbin:/bin"};
  request.requiredInterface = link;
  return kernel::ErrorOf(kernel::RunBounded(request));
}

}  // namespace lorvane::iphlp::dhcp
