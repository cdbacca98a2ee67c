// The ADVAPI32 registry calls the program makes, with the Windows names,
// types and values. HKEY_LOCAL_MACHINE is kept in one hive file (see
// registry.h); the other predefined roots exist as names only and answer
// ERROR_NOT_SUPPORTED.
#pragma once

#include "platform/base/errors.h"
#include "platform/base/types.h"

// Predefined roots: 32-bit values sign-extended to pointer width, as Windows
// defines them.
#define LORVANE_PREDEFINED_KEY(v) \
  (reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(static_cast<DWORD>(v)))))
#define HKEY_CLASSES_ROOT LORVANE_PREDEFINED_KEY(0x80000000u)
#define HKEY_CURRENT_USER LORVANE_PREDEFINED_KEY(0x80000001u)
#define HKEY_LOCAL_MACHINE LORVANE_PREDEFINED_KEY(0x80000002u)
#define HKEY_USERS LORVANE_PREDEFINED_KEY(0x80000003u)
#define HKEY_PERFORMANCE_DATA LORVANE_PREDEFINED_KEY(0x80000004u)
#define HKEY_CURRENT_CONFIG LORVANE_PREDEFINED_KEY(0x80000005u)
#define HKEY_DYN_DATA LORVANE_PREDEFINED_KEY(0x80000006u)

// Value types
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11

// Access rights
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ 0x20019
#define KEY_EXECUTE 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

// RegCreateKeyExA options and dispositions
#define REG_OPTION_RESERVED 0x0000
#define REG_OPTION_NON_VOLATILE 0x0000
#define REG_OPTION_VOLATILE 0x0001
#define REG_OPTION_CREATE_LINK 0x0002
#define REG_OPTION_BACKUP_RESTORE 0x0004
#define REG_OPTION_OPEN_LINK 0x0008
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
using PSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// Key names are at most 255 bytes per component and value names at most
// 16383 bytes, as on Windows. Names compare without regard to ASCII case.
LSTATUS RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);
LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                         LPBYTE lpData, LPDWORD lpcbData);
// lpClass is const here so that a literal "" can be passed as the program does.
LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPCSTR lpClass, DWORD dwOptions,
                        REGSAM samDesired, const SECURITY_ATTRIBUTES* lpSecurityAttributes,
                        PHKEY phkResult, LPDWORD lpdwDisposition);
LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                       const BYTE* lpData, DWORD cbData);
LSTATUS RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);
LSTATUS RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName);
LSTATUS RegCloseKey(HKEY hKey);
