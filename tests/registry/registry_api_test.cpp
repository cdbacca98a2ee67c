// What the program's own tests do not reach: handles, the enumeration order,
// the size protocol of a short buffer, paths and rights.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "temp_hive.h"

namespace {

TEST(RegistryHandles, AreInvalidOnceClosedAndStaleAfterTheHiveMoves) {
  TempHive hive;
  HKEY key = nullptr, old = nullptr;
  DWORD size = 0;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "", &key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x1234)), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software", &key), ERROR_NOT_SUPPORTED);
  EXPECT_EQ(key, nullptr);

  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "", &old), ERROR_SUCCESS);
  hive.Detach();
  EXPECT_EQ(RegQueryValueExA(old, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(old), ERROR_SUCCESS);
}

TEST(RegistryNames, FoldOnlyAsciiAndEnumerateInFoldedOrder) {
  TempHive hive;
  for (const char* name : {"beta", "0003", "Alpha", "\xE4x", "\xC4x", "0000"}) {
    ASSERT_EQ(PutText(std::string("Class\\") + name, "NetworkAddress", name), ERROR_SUCCESS);
  }
  EXPECT_EQ(GetValue("Class\\\xC4X", "NETWORKaddress"), Sz("\xC4x"));
  HKEY key = nullptr;
  char name[8];
  std::string names;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "CLASS", &key), ERROR_SUCCESS);
  for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
    names += name + std::string(" ");
  EXPECT_EQ(names, "0000 0003 Alpha beta \xC4x \xE4x ");
  EXPECT_EQ(RegEnumKeyA(key, 6, name, sizeof name), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumKeyA(key, 0, name, 4), ERROR_MORE_DATA);  // "0000" needs 5 with its NUL
  RegCloseKey(key);
}

TEST(RegistryValues, AShortBufferLearnsTheSizeAndIsLeftAlone) {
  TempHive hive;
  ASSERT_EQ(PutText("K", "v", "0123456789"), ERROR_SUCCESS);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "k", &key), ERROR_SUCCESS);
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  DWORD type = 0, size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 11u);
  EXPECT_EQ(type, DWORD{REG_SZ});
  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(8, '#'));
  RegCloseKey(key);
}

TEST(RegistryChanges, NeedWriteAccessAndAGoodPath) {
  TempHive hive;
  EXPECT_EQ(PutText("Software\\\\Lorvane", "v", "x"), ERROR_BAD_PATHNAME);
  EXPECT_EQ(PutText("Software\\" + std::string(256, 'k'), "v", "x"), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(PutText("Software\\" + std::string(255, 'k') + "\\", "v", "x"), ERROR_SUCCESS);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "A", 0, "", 0, KEY_READ, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
            ERROR_ACCESS_DENIED);
  RegCloseKey(key);

  // A hive this process may not create reads as empty and refuses changes.
  lorvane::registry::ScopedHivePath nowhere("/nonexistent-lorvane/folder/hklm.hive");
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "A", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(PutText("A", "v", "x"), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(std::filesystem::exists("/nonexistent-lorvane"));
}

}  // namespace
