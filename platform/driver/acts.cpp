// What the window asks of the adapter command when it is not root: a lease
// released or renewed, a NetworkAddress stored or deleted. The caller may be
// anyone whom polkit let through, so every argument is checked here, and
// nothing but these values of these keys can be reached.
#include <syslog.h>

#include <cstring>
#include <vector>

#include "platform/base/errors.h"
#include "platform/driver/adapter_driver.h"
#include "platform/driver/network_address.h"
#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/provider.h"
#include "platform/registry/registry.h"
#include "platform/registry/winreg.h"

namespace lorvane::driver {
namespace {

constexpr const char* kClassKey = registry::kNetworkClassKey;

bool IsSubkeyNumber(const std::string& subkey) {
  if (subkey.size() != 4) return false;
  for (char c : subkey)
    if (c < '0' || c > '9') return false;
  return true;
}

// ERROR_NOT_FOUND unless the adapters of this namespace include `name`.
DWORD ListedAdapter(const std::string& name) {
  std::vector<iphlp::AdapterRecord> table;
  const DWORD err = iphlp::CurrentProvider().InterfaceTable(table);
  if (err != NO_ERROR) return err;
  for (const auto& record : table)
    if (record.name == name) return NO_ERROR;
  return ERROR_NOT_FOUND;
}

}  // namespace

DWORD AdapterDriver::Lease(const std::string& name, bool renew) {
  if (Refused(name)) return ERROR_INVALID_PARAMETER;
  const char* act = renew ? "renew" : "release";
  std::vector<iphlp::AdapterRecord> table;
  DWORD err = iphlp::CurrentProvider().InterfaceTable(table);
  if (err != NO_ERROR) {
    Log(LOG_ERR, name + ": no " + act + ": the adapters could not be read");
    return err;
  }
  IP_ADAPTER_INDEX_MAP map{};
  for (const auto& record : table)
    if (record.name == name && record.canHoldLease) map.Index = record.index;
  if (map.Index == 0) {
    Log(LOG_ERR, name + ": no " + act + ": no such adapter");
    return ERROR_DEV_NOT_EXIST;
  }
  err = renew ? IpRenewAddress(&map) : IpReleaseAddress(&map);
  Log(err == NO_ERROR ? LOG_NOTICE : LOG_ERR,
      name + ": lease " + (renew ? "renewed" : "released") +
          (err == NO_ERROR ? "" : " failed: error " + std::to_string(err)));
  return err;
}

DWORD AdapterDriver::Release(const std::string& name) { return Lease(name, false); }
DWORD AdapterDriver::Renew(const std::string& name) { return Lease(name, true); }

DWORD AdapterDriver::OpenDriverKey(const std::string& subkey, const std::string& value, HKEY& key,
                                   std::string& adapter) const {
  if (!IsSubkeyNumber(subkey) || value != registry::kNetworkAddressValue) {
    Log(LOG_WARNING, "value \"" + Printable(value) + "\" of key \"" + Printable(subkey) +
                         "\" refused: only NetworkAddress of an adapter's key");
    return ERROR_INVALID_PARAMETER;
  }
  const std::string path = kClassKey + subkey;
  DWORD err = RegOpenKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key);
  if (err == ERROR_FILE_NOT_FOUND) err = ERROR_NOT_FOUND;
  if (err != NO_ERROR) return err;
  char name[256] = "";
  DWORD type = REG_NONE;
  DWORD size = sizeof name - 1;
  err = RegQueryValueExA(key, registry::kInstanceIdValue, nullptr, &type,
                         reinterpret_cast<BYTE*>(name), &size);
  if (err != NO_ERROR || type != REG_SZ) {
    RegCloseKey(key);
    Log(LOG_WARNING, "key " + subkey + " refused: it names no adapter");
    return ERROR_NOT_FOUND;
  }
  const std::string named(name, std::strlen(name));
  adapter = Printable(named);
  // Only a key the window could have opened: one of an adapter it lists.
  err = ListedAdapter(named);
  if (err != NO_ERROR) {
    RegCloseKey(key);
    Log(LOG_WARNING, "key " + subkey + " refused: " + adapter + " is not an adapter here");
    return err;
  }
  return NO_ERROR;
}

DWORD AdapterDriver::SetValue(const std::string& subkey, const std::string& value,
                              const std::string& text) {
  if (text.size() > kMaxStoredText) {
    Log(LOG_WARNING, "a value of " + std::to_string(text.size()) + " bytes refused");
    return ERROR_INVALID_PARAMETER;
  }
  HKEY key = nullptr;
  std::string adapter;
  DWORD err = OpenDriverKey(subkey, value, key, adapter);
  if (err != NO_ERROR) return err;
  err = RegSetValueExA(key, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
  Log(err == NO_ERROR ? LOG_NOTICE : LOG_ERR,
      adapter + ": " + value +
          (err == NO_ERROR ? " stored as \"" + Printable(text) + "\""
                           : " not stored: error " + std::to_string(err)));
  return err;
}

DWORD AdapterDriver::DeleteValue(const std::string& subkey, const std::string& value) {
  HKEY key = nullptr;
  std::string adapter;
  DWORD err = OpenDriverKey(subkey, value, key, adapter);
  if (err != NO_ERROR) return err;
  err = RegDeleteValueA(key, value.c_str());
  RegCloseKey(key);
  if (err != ERROR_FILE_NOT_FOUND)
    Log(err == NO_ERROR ? LOG_NOTICE : LOG_ERR,
        adapter + ": " + value +
            (err == NO_ERROR ? " deleted" : " not deleted: error " + std::to_string(err)));
  return err;
}

}  // namespace lorvane::driver
