// Kept apart from the registry calls: only the start-up registration needs
// the IP Helper.
#include <memory>
#include <vector>

#include "platform/iphlp/iphlpapi.h"
#include "platform/registry/registry.h"
#include "platform/registry/state.h"

namespace lorvane::registry {

DWORD RegisterAdapters() {
  auto& registry = detail::TheRegistry();
  {
    std::lock_guard lock(registry.mutex);
    const auto access = registry.CurrentHive().WriteAccess();
    if (access != detail::Status::kOk) return detail::ToWin32(access);
  }

  // The adapters exactly as the program will see them, names cut to the
  // record's fields included.
  std::vector<detail::AdapterEntry> adapters;
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
    for (auto* adapter = chain; adapter != nullptr; adapter = adapter->Next) {
      adapters.push_back({adapter->AdapterName, adapter->Description});
    }
  }
  if (result == ERROR_NO_DATA) return NO_ERROR;  // no adapter, nothing to add
  if (result != NO_ERROR) return result;

  std::lock_guard lock(registry.mutex);
  return detail::ToWin32(registry.CurrentHive().RegisterAdapters(adapters));
}

}  // namespace lorvane::registry
