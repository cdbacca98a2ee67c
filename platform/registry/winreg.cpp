// The registry entry points: each normalises its arguments, calls one worker
// under the registry's lock, and turns the worker's status into the Win32
// error in ToWin32.
#include "platform/registry/winreg.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "platform/registry/state.h"

namespace lorvane::registry::detail {

LSTATUS ToWin32(Status status) {
  switch (status) {
    case Status::kOk: return ERROR_SUCCESS;
    case Status::kNotFound: return ERROR_FILE_NOT_FOUND;
    case Status::kMoreData: return ERROR_MORE_DATA;
    case Status::kNoMoreItems: return ERROR_NO_MORE_ITEMS;
    case Status::kAccessDenied: return ERROR_ACCESS_DENIED;
    case Status::kCorrupt: return ERROR_REGISTRY_CORRUPT;
    case Status::kCantOpen: return ERROR_CANTOPEN;
    case Status::kBusy: return ERROR_TIMEOUT;
    case Status::kNoMemory: return ERROR_NOT_ENOUGH_MEMORY;
    case Status::kIoError: return ERROR_CANTWRITE;
    case Status::kInvalidParameter: return ERROR_INVALID_PARAMETER;
    case Status::kBadPath: return ERROR_BAD_PATHNAME;
    case Status::kInvalidHandle: return ERROR_INVALID_HANDLE;
    case Status::kKeyDeleted: return ERROR_KEY_DELETED;
    case Status::kNotSupported: return ERROR_NOT_SUPPORTED;
    case Status::kUnregistered: return ERROR_NOT_FOUND;
  }
  return ERROR_GEN_FAILURE;
}

namespace {

// The standard rights of an access mask, numbered as winnt.h numbers them;
// the program names none of them.
constexpr REGSAM kDelete = 0x00010000;
constexpr REGSAM kWriteDac = 0x00040000;
constexpr REGSAM kWriteOwner = 0x00080000;
constexpr REGSAM kMaximumAllowed = 0x02000000;

// Rights that need a hive this process may write.
constexpr REGSAM kWriteRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | kDelete | kWriteDac | kWriteOwner;

bool IsPredefined(HKEY key) {
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                    HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA}) {
    if (key == root) return true;
  }
  return false;
}

std::string_view NameOf(LPCSTR name) { return name == nullptr ? std::string_view() : name; }

Status Resolve(ProcessRegistry& registry, HKEY handle, OpenKey& key) {
  if (handle == HKEY_LOCAL_MACHINE) {
    key = {registry.generation, kRootKey, registry.CurrentHive().Writable(), {}};
    return Status::kOk;
  }
  if (IsPredefined(handle)) return Status::kNotSupported;
  const auto found = registry.handles.find(reinterpret_cast<std::uintptr_t>(handle));
  if (found == registry.handles.end()) return Status::kInvalidHandle;
  if (found->second.generation != registry.generation) return Status::kKeyDeleted;
  key = found->second;
  return Status::kOk;
}

// Why a handle without write access may not write: a damaged hive says so.
Status DeniedWrite(Hive& hive) {
  const Status status = hive.WriteAccess();
  return status == Status::kOk ? Status::kAccessDenied : status;
}

// A change this process may not make goes to the privileged helper, when
// one is installed; `handOver` then holds it, to be called once unlocked.
Status DeniedWrite(ProcessRegistry& registry, PrivilegedChange& handOver) {
  const Status status = DeniedWrite(registry.CurrentHive());
  if (status == Status::kAccessDenied && registry.privileged) handOver = registry.privileged;
  return status;
}

std::string JoinPath(const std::string& parent, const std::vector<std::string>& components) {
  std::string path = parent;
  for (const auto& component : components) path += (path.empty() ? "" : "\\") + component;
  return path;
}

HKEY AddHandle(ProcessRegistry& registry, KeyId key, bool canWrite, std::string path) {
  const std::uintptr_t value = registry.nextHandle;
  registry.nextHandle += 4;
  registry.handles[value] = {registry.generation, key, canWrite, std::move(path)};
  ++registry.counts.opened;
  return reinterpret_cast<HKEY>(value);
}

// Opens a new handle even for an empty path, so that every handle this call
// gives is one the caller must close.
Status OpenKeyWorker(ProcessRegistry& registry, HKEY from, std::string_view path, PHKEY result) {
  OpenKey parent;
  Status status = Resolve(registry, from, parent);
  std::vector<std::string> components;
  if (status == Status::kOk) status = SplitKeyPath(path, components);
  KeyId key = 0;
  Hive& hive = registry.CurrentHive();
  if (status == Status::kOk) status = hive.OpenKey(parent.key, components, key);
  if (status == Status::kOk)
    *result = AddHandle(registry, key, hive.Writable(), JoinPath(parent.path, components));
  return status;
}

Status CreateKeyWorker(ProcessRegistry& registry, HKEY from, std::string_view path, DWORD options,
                       REGSAM access, PHKEY result, LPDWORD disposition) {
  if (options != REG_OPTION_NON_VOLATILE) return Status::kNotSupported;  // one kind of key only
  OpenKey parent;
  Status status = Resolve(registry, from, parent);
  if (status != Status::kOk) return status;
  std::vector<std::string> components;
  status = SplitKeyPath(path, components);
  if (status != Status::kOk) return status;

  Hive& hive = registry.CurrentHive();
  const bool wantsWrite = (access & kWriteRights) != 0;
  if (wantsWrite) {
    status = hive.WriteAccess();
    // Its changes can still be made, by the privileged helper.
    if (status == Status::kAccessDenied && registry.privileged) status = Status::kOk;
    if (status != Status::kOk) return status;
  }
  KeyId key = 0;
  bool created = false;
  status = hive.OpenKey(parent.key, components, key);
  if (status == Status::kNotFound) {
    if (!parent.canWrite) return DeniedWrite(hive);
    status = hive.CreateKey(parent.key, components, key, created);
  }
  if (status != Status::kOk) return status;
  const bool mayWrite = hive.Writable() && (wantsWrite || (access & kMaximumAllowed) != 0);
  *result = AddHandle(registry, key, mayWrite, JoinPath(parent.path, components));
  if (disposition != nullptr)
    *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return Status::kOk;
}

Status QueryValueWorker(ProcessRegistry& registry, HKEY handle, std::string_view name, LPDWORD type,
                        LPBYTE data, LPDWORD size) {
  OpenKey key;
  Status status = Resolve(registry, handle, key);
  Value value;
  if (status == Status::kOk) status = registry.CurrentHive().QueryValue(key.key, name, value);
  if (status != Status::kOk) return status;
  if (value.data.size() > 0xffffffffu) return Status::kNoMemory;
  const auto needed = static_cast<DWORD>(value.data.size());
  if (type != nullptr) *type = value.type;
  if (data != nullptr) {
    if (*size < needed) {
      *size = needed;
      return Status::kMoreData;
    }
    if (needed != 0) std::memcpy(data, value.data.data(), needed);
  }
  if (size != nullptr) *size = needed;
  return Status::kOk;
}

Status SetValueWorker(ProcessRegistry& registry, HKEY handle, std::string_view name, DWORD type,
                      const BYTE* data, DWORD size, OpenKey& key, PrivilegedChange& handOver) {
  const Status status = Resolve(registry, handle, key);
  if (status != Status::kOk) return status;
  if (!key.canWrite) return DeniedWrite(registry, handOver);
  const std::string_view bytes =
      size == 0 ? std::string_view() : std::string_view(reinterpret_cast<const char*>(data), size);
  return registry.CurrentHive().SetValue(key.key, name, type, bytes);
}

Status DeleteValueWorker(ProcessRegistry& registry, HKEY handle, std::string_view name,
                         OpenKey& key, PrivilegedChange& handOver) {
  const Status status = Resolve(registry, handle, key);
  if (status != Status::kOk) return status;
  if (!key.canWrite) return DeniedWrite(registry, handOver);
  return registry.CurrentHive().DeleteValue(key.key, name);
}

Status EnumKeyWorker(ProcessRegistry& registry, HKEY handle, DWORD index, LPSTR name,
                     DWORD capacity) {
  OpenKey key;
  Status status = Resolve(registry, handle, key);
  std::string subkey;
  if (status == Status::kOk) status = registry.CurrentHive().SubkeyAt(key.key, index, subkey);
  if (status != Status::kOk) return status;
  if (subkey.size() >= capacity) return Status::kMoreData;
  std::memcpy(name, subkey.data(), subkey.size());
  name[subkey.size()] = '\0';
  return Status::kOk;
}

Status CloseKeyWorker(ProcessRegistry& registry, HKEY handle) {
  if (IsPredefined(handle)) return Status::kOk;
  return registry.handles.erase(reinterpret_cast<std::uintptr_t>(handle)) == 1
             ? Status::kOk
             : Status::kInvalidHandle;
}

}  // namespace
}  // namespace lorvane::registry::detail

using lorvane::registry::detail::Status;
using lorvane::registry::detail::TheRegistry;
using lorvane::registry::detail::ToWin32;
namespace detail = lorvane::registry::detail;

LSTATUS RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  detail::RegisterIfDue();
  if (phkResult == nullptr) return ToWin32(Status::kInvalidParameter);
  *phkResult = nullptr;
  auto& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  return ToWin32(detail::OpenKeyWorker(registry, hKey, detail::NameOf(lpSubKey), phkResult));
}

LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*Reserved*/, LPCSTR /*lpClass*/,
                        DWORD dwOptions, REGSAM samDesired,
                        const SECURITY_ATTRIBUTES* /*lpSecurityAttributes*/, PHKEY phkResult,
                        LPDWORD lpdwDisposition) {
  detail::RegisterIfDue();
  if (phkResult == nullptr) return ToWin32(Status::kInvalidParameter);
  *phkResult = nullptr;
  auto& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  return ToWin32(detail::CreateKeyWorker(registry, hKey, detail::NameOf(lpSubKey), dwOptions,
                                         samDesired, phkResult, lpdwDisposition));
}

LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                         LPBYTE lpData, LPDWORD lpcbData) {
  detail::RegisterIfDue();
  if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
    return ToWin32(Status::kInvalidParameter);
  }
  auto& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  return ToWin32(detail::QueryValueWorker(registry, hKey, detail::NameOf(lpValueName), lpType,
                                          lpData, lpcbData));
}

LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                       const BYTE* lpData, DWORD cbData) {
  detail::RegisterIfDue();
  const std::string_view name = detail::NameOf(lpValueName);
  if ((lpData == nullptr && cbData != 0) || name.size() > detail::kMaxValueNameLength) {
    return ToWin32(Status::kInvalidParameter);
  }
  auto& registry = TheRegistry();
  detail::OpenKey key;
  lorvane::registry::PrivilegedChange handOver;
  Status status;
  {
    std::lock_guard lock(registry.mutex);
    status = detail::SetValueWorker(registry, hKey, name, dwType, lpData, cbData, key, handOver);
  }
  if (!handOver) return ToWin32(status);
  const std::string bytes(reinterpret_cast<const char*>(lpData), lpData == nullptr ? 0 : cbData);
  return handOver(key.path, std::string(name), dwType, &bytes);
}

LSTATUS RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  detail::RegisterIfDue();
  auto& registry = TheRegistry();
  const std::string_view name = detail::NameOf(lpValueName);
  detail::OpenKey key;
  lorvane::registry::PrivilegedChange handOver;
  Status status;
  {
    std::lock_guard lock(registry.mutex);
    status = detail::DeleteValueWorker(registry, hKey, name, key, handOver);
  }
  if (!handOver) return ToWin32(status);
  return handOver(key.path, std::string(name), REG_NONE, nullptr);
}

LSTATUS RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
  detail::RegisterIfDue();
  if (lpName == nullptr) return ToWin32(Status::kInvalidParameter);
  auto& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  return ToWin32(detail::EnumKeyWorker(registry, hKey, dwIndex, lpName, cchName));
}

LSTATUS RegCloseKey(HKEY hKey) {
  auto& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  ++registry.counts.closeCalls;
  return ToWin32(detail::CloseKeyWorker(registry, hKey));
}
