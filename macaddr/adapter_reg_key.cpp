#include "adapter_reg_key.h"

#include "reg_string.h"

namespace {

const char kClassKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}";
const char kInstanceIdValue[] = "NetCfgInstanceId";
const char kNetworkAddressValue[] = "NetworkAddress";
const int kPathSize = 256;
const int kNameSize = 256;

// A name is usable only when "%04d" of its number gives it back, so that
// the value operations reach this very subkey and no other.
bool ParseSubkeyNumber(LPCSTR name, int* number) {
  const int length = lstrlenA(name);
  if (length < 4 || length > 10 || (length > 4 && name[0] == '0')) return false;
  long long value = 0;
  for (int i = 0; i < length; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
    value = value * 10 + (name[i] - '0');
  }
  if (value > 0x7fffffff) return false;
  *number = static_cast<int>(value);
  return true;
}

// Byte for byte up to the NULs: no case folding, no trimming.
bool SameText(LPCSTR left, LPCSTR right) {
  while (*left != '\0' && *left == *right) {
    ++left;
    ++right;
  }
  return *left == *right;
}

// Copies at most size - 1 bytes and always terminates.
void CopyCut(LPSTR destination, LPCSTR source, int size) {
  int i = 0;
  for (; i < size - 1 && source[i] != '\0'; ++i) destination[i] = source[i];
  destination[i] = '\0';
}

}  // namespace

LPCSTR CAdapterRegKey::m_pszClassKey = nullptr;

CAdapterRegKey::CAdapterRegKey() { m_pszClassKey = kClassKey; }

int CAdapterRegKey::Find(LPCSTR displayName, LPCSTR adapterName) {
  int result = 1;
  HKEY classKey = nullptr;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, m_pszClassKey, &classKey) != ERROR_SUCCESS) return result;

  char subkeyName[kNameSize];
  for (DWORD index = 0; RegEnumKeyA(classKey, index, subkeyName, kNameSize) == ERROR_SUCCESS;
       ++index) {
    // Passes over any other name, an over-long one included, so the path
    // below always fits its buffer.
    int number = 0;
    if (!ParseSubkeyNumber(subkeyName, &number)) continue;

    char path[kPathSize];
    wsprintfA(path, "%s\\%s", m_pszClassKey, subkeyName);
    char instanceId[kNameSize];
    if (RegReadString(HKEY_LOCAL_MACHINE, path, kInstanceIdValue, instanceId, kNameSize) != 0) {
      continue;
    }
    if (!SameText(instanceId, adapterName)) continue;

    CopyCut(m_szInstanceId, instanceId, sizeof m_szInstanceId);
    CopyCut(m_szDisplayName, displayName, sizeof m_szDisplayName);
    m_nSubkey = number;
    result = 0;
    break;
  }
  RegCloseKey(classKey);
  return result;
}

void CAdapterRegKey::FormatSubkeyPath(LPSTR path) const {
  wsprintfA(path, "%s\\%04d", m_pszClassKey, m_nSubkey);
}

void CAdapterRegKey::ReadNetworkAddress(LPSTR buffer, DWORD bufferSize) {
  char path[kPathSize];
  FormatSubkeyPath(path);
  RegReadString(HKEY_LOCAL_MACHINE, path, kNetworkAddressValue, buffer, bufferSize);
}

LONG CAdapterRegKey::WriteNetworkAddress(LPCSTR text) {
  char path[kPathSize];
  FormatSubkeyPath(path);
  return RegWriteString(HKEY_LOCAL_MACHINE, path, kNetworkAddressValue, text);
}

LONG CAdapterRegKey::DeleteNetworkAddress() {
  char path[kPathSize];
  FormatSubkeyPath(path);
  return RegDeleteString(HKEY_LOCAL_MACHINE, path, kNetworkAddressValue);
}
