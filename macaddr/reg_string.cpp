#include "reg_string.h"

LONG RegReadString(HKEY root, LPCSTR keyPath, LPCSTR valueName, LPSTR buffer, DWORD bufferSize) {
  if (buffer == nullptr || bufferSize == 0) return ERROR_INVALID_PARAMETER;
  buffer[0] = '\0';

  HKEY key = nullptr;
  LONG result = RegOpenKeyA(root, keyPath, &key);
  if (result != ERROR_SUCCESS) return result;

  DWORD type = REG_NONE;
  DWORD size = bufferSize;
  result =
      RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size);
  RegCloseKey(key);

  // Another type's bytes are no text to show or to match a name against.
  if (result == ERROR_SUCCESS && type != REG_SZ) result = ERROR_INVALID_DATA;
  if (result == ERROR_SUCCESS && (size == 0 || buffer[size - 1] != '\0')) {
    if (size < bufferSize) {
      buffer[size] = '\0';
    } else {
      result = ERROR_MORE_DATA;  // no room left for the NUL it lacks
    }
  }
  if (result != ERROR_SUCCESS) buffer[0] = '\0';
  return result;
}

LONG RegWriteString(HKEY root, LPCSTR keyPath, LPCSTR valueName, LPCSTR text) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  LONG result = RegCreateKeyExA(root, keyPath, 0, "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                nullptr, &key, &disposition);
  if (result != ERROR_SUCCESS) return result;

  result = RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(lstrlenA(text) + 1));
  RegCloseKey(key);
  return result;
}

LONG RegDeleteString(HKEY root, LPCSTR keyPath, LPCSTR valueName) {
  HKEY key = nullptr;
  LONG result = RegOpenKeyA(root, keyPath, &key);
  if (result != ERROR_SUCCESS) return result;

  result = RegDeleteValueA(key, valueName);
  RegCloseKey(key);
  return result;
}
