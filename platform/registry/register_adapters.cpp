// Kept apart from the registry calls: only registration needs the IP Helper.
#include <unistd.h>

#include <climits>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/iphlp/iphlpapi.h"
#include "platform/registry/adapter_keys.h"
#include "platform/registry/registry.h"
#include "platform/registry/state.h"
#include "platform/registry/winreg.h"

namespace lorvane::registry {
namespace {

// "net:[4026531840]" for the calling thread's network namespace: links are
// per namespace, so a link counts as gone only where it was registered.
std::string NetNamespace() {
  char target[64];
  const ssize_t length = ::readlink("/proc/thread-self/ns/net", target, sizeof target - 1);
  if (length <= 0) return {};
  return std::string(target, static_cast<std::size_t>(length));
}

// Only the adapter named is registered when `only` is given; every link seen
// counts as present either way.
DWORD Register(const std::string* only, std::vector<RegistrationChange>* changes) {
  auto& registry = detail::TheRegistry();
  {
    std::lock_guard lock(registry.mutex);
    const auto access = registry.CurrentHive().WriteAccess();
    if (access != detail::Status::kOk) return detail::ToWin32(access);
  }

  // The adapters exactly as the program will see them, names cut to the
  // record's fields included.
  detail::Registration registration;
  registration.netNamespace = NetNamespace();
  DWORD result = ERROR_BUFFER_OVERFLOW;
  // Links that appear between the two calls need a larger buffer: ask again.
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    ULONG size = 0;
    result = GetAdaptersInfo(nullptr, &size);
    if (result != ERROR_BUFFER_OVERFLOW || size == 0) break;
    std::unique_ptr<BYTE[]> buffer(new BYTE[size]);
    auto* chain = reinterpret_cast<PIP_ADAPTER_INFO>(buffer.get());
    result = GetAdaptersInfo(chain, &size);
    if (result != NO_ERROR) continue;
    registration.adapters.clear();
    registration.present.clear();
    for (auto* adapter = chain; adapter != nullptr; adapter = adapter->Next) {
      registration.present.push_back(adapter->AdapterName);
      if (only == nullptr || *only == adapter->AdapterName)
        registration.adapters.push_back({adapter->AdapterName, adapter->Description});
    }
  }
  if (result != NO_ERROR && result != ERROR_NO_DATA) return result;
  if (only != nullptr && registration.adapters.empty()) return ERROR_NOT_FOUND;

  std::lock_guard lock(registry.mutex);
  return detail::ToWin32(detail::RegisterAdapters(registry.CurrentHive(), registration, changes));
}

std::mutex g_dueMutex;
bool g_due = false;

}  // namespace

void RegisterAdaptersBeforeFirstUse() {
  std::lock_guard lock(g_dueMutex);
  g_due = true;
}

namespace detail {
void RegisterIfDue() {
  // Held throughout, so that a second caller waits until the hive is ready.
  std::lock_guard lock(g_dueMutex);
  if (std::exchange(g_due, false)) Register(nullptr, nullptr);
}
}  // namespace detail

DWORD RegisterAdapters(std::vector<RegistrationChange>* changes) {
  return Register(nullptr, changes);
}

DWORD RegisterAdapter(const std::string& adapter, std::vector<RegistrationChange>* changes) {
  return Register(&adapter, changes);
}

DWORD QueryAdapterValue(const std::string& adapter, const std::string& name, DWORD& type,
                        std::string& data) {
  auto& registry = detail::TheRegistry();
  std::lock_guard lock(registry.mutex);
  detail::Value value;
  const auto status = detail::QueryAdapterValue(registry.CurrentHive(), adapter, name, value);
  if (status == detail::Status::kOk) {
    type = value.type;
    data = std::move(value.data);
  }
  return detail::ToWin32(status);
}

DWORD SetAdapterText(const std::string& adapter, const std::string& name, const std::string& text,
                     bool onlyIfMissing) {
  auto& registry = detail::TheRegistry();
  std::lock_guard lock(registry.mutex);
  return detail::ToWin32(detail::SetAdapterValue(registry.CurrentHive(), adapter, name, REG_SZ,
                                                 std::string_view(text.c_str(), text.size() + 1),
                                                 onlyIfMissing));
}

DWORD DeleteAdapterValue(const std::string& adapter, const std::string& name) {
  auto& registry = detail::TheRegistry();
  std::lock_guard lock(registry.mutex);
  return detail::ToWin32(detail::DeleteAdapterValue(registry.CurrentHive(), adapter, name));
}

}  // namespace lorvane::registry
