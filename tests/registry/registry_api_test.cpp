#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "temp_hive.h"

namespace {

using lorvane::registry::Handles;

std::vector<std::string> Subkeys(HKEY key, DWORD capacity = 256) {
  std::vector<std::string> names;
  std::vector<char> name(capacity);
  for (DWORD i = 0; RegEnumKeyA(key, i, name.data(), capacity) == ERROR_SUCCESS; ++i) {
    names.emplace_back(name.data());
  }
  return names;
}

TEST(RegistryHandles, AreRealAndInvalidOnceClosed) {
  TempHive hive;
  ASSERT_EQ(PutText("Software\\Lorvane", "Name", "x"), ERROR_SUCCESS);
  const auto before = Handles();

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Lorvane", &key), ERROR_SUCCESS);
  EXPECT_NE(key, HKEY_LOCAL_MACHINE);
  EXPECT_EQ(Handles().open, before.open + 1);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(Handles().open, before.open);

  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x1234)), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);  // predefined, never really closed
  EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software", &key), ERROR_NOT_SUPPORTED);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(Handles().opened, before.opened + 1);
  EXPECT_EQ(Handles().closeCalls, before.closeCalls + 4);
}

TEST(RegistryHandles, FromAnEarlierHiveAreStale) {
  TempHive hive;
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "", &key), ERROR_SUCCESS);
  hive.Detach();
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "x", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST(RegistryNames, IgnoreAsciiCaseOnlyAndKeepTheirSpelling) {
  TempHive hive;
  ASSERT_EQ(PutText("Software\\MixedCase", "NetworkAddress", "0A1B2C3D4E5F"), ERROR_SUCCESS);
  EXPECT_EQ(GetValue("SOFTWARE\\mixedcase", "networkADDRESS"), std::string("0A1B2C3D4E5F", 13));

  // Latin-1 A-umlaut and a-umlaut are different names.
  ASSERT_EQ(PutText("Software\\\xC4x", "v", "upper"), ERROR_SUCCESS);
  ASSERT_EQ(PutText("Software\\\xE4x", "v", "lower"), ERROR_SUCCESS);
  EXPECT_EQ(GetValue("Software\\\xC4x", "v"), std::string("upper", 6));

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "software", &key), ERROR_SUCCESS);
  EXPECT_EQ(Subkeys(key), (std::vector<std::string>{"MixedCase", "\xC4x", "\xE4x"}));
  RegCloseKey(key);
}

TEST(RegistryNames, EnumerateInOneSortedOrder) {
  TempHive hive;
  for (const char* name : {"0003", "Properties", "0001", "0000", "beta", "Alpha"}) {
    ASSERT_EQ(PutText(std::string("Class\\") + name, "v", name), ERROR_SUCCESS);
  }
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Class", &key), ERROR_SUCCESS);
  const std::vector<std::string> expected{"0000", "0001", "0003", "Alpha", "beta", "Properties"};
  EXPECT_EQ(Subkeys(key), expected);
  EXPECT_EQ(Subkeys(key), expected);

  char name[8];
  EXPECT_EQ(RegEnumKeyA(key, 6, name, sizeof name), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumKeyA(key, 0, name, 4), ERROR_MORE_DATA);  // "0000" needs 5 with its NUL
  RegCloseKey(key);
}

TEST(RegistryNames, BadPathsAndLengths) {
  TempHive hive;
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "\\Software", &key), ERROR_BAD_PATHNAME);
  EXPECT_EQ(PutText("Software\\\\Lorvane", "v", "x"), ERROR_BAD_PATHNAME);
  EXPECT_EQ(PutText("Software\\" + std::string(256, 'k'), "v", "x"), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(PutText("Software\\" + std::string(255, 'k') + "\\", "v", "x"), ERROR_SUCCESS);
  EXPECT_EQ(PutText("Software", std::string(16384, 'n'), "x"), ERROR_INVALID_PARAMETER);

  const std::string hostile = "x'); DROP TABLE keys; --\"%s%n";
  ASSERT_EQ(PutText(hostile, hostile, hostile), ERROR_SUCCESS);
  EXPECT_EQ(GetValue(hostile, hostile), hostile + '\0');
  std::string anyBytes;
  for (int c = 1; c < 256; ++c) anyBytes += static_cast<char>(c == '\\' ? '/' : c);
  ASSERT_EQ(PutText(anyBytes, anyBytes, anyBytes), ERROR_SUCCESS);
  EXPECT_EQ(GetValue(anyBytes, anyBytes), anyBytes + '\0');
}

TEST(RegistryValues, KeepTheirBytesAndType) {
  TempHive hive;
  ASSERT_EQ(PutValue("K", "withNul", REG_SZ, std::string("abc", 4)), ERROR_SUCCESS);
  ASSERT_EQ(PutValue("K", "withoutNul", REG_SZ, "abc"), ERROR_SUCCESS);
  ASSERT_EQ(PutValue("K", "empty", REG_SZ, ""), ERROR_SUCCESS);
  std::string binary(1 << 20, '\0');
  for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7);
  ASSERT_EQ(PutValue("K", "big", REG_BINARY, binary), ERROR_SUCCESS);

  DWORD type = 99;
  EXPECT_EQ(GetValue("K", "withNul", &type), std::string("abc", 4));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(GetValue("K", "withoutNul"), "abc");
  EXPECT_EQ(GetValue("K", "empty"), "");
  EXPECT_EQ(GetValue("K", "big", &type), binary);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));

  ASSERT_EQ(PutValue("K", "WITHNUL", REG_DWORD, std::string("\x01\x00\x00\x00", 4)), ERROR_SUCCESS);
  EXPECT_EQ(GetValue("K", "withNul", &type), std::string("\x01\x00\x00\x00", 4));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
}

TEST(RegistryValues, ShortBufferMissingValueAndMissingKey) {
  TempHive hive;
  ASSERT_EQ(PutText("K", "v", "0123456789"), ERROR_SUCCESS);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "k", &key), ERROR_SUCCESS);

  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  DWORD size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 11u);
  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(8, '#'));

  DWORD type = 77;
  size = 55;
  EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(type, 77u);
  EXPECT_EQ(size, 55u);
  DWORD reserved = 0;
  EXPECT_EQ(RegQueryValueExA(key, "v", &reserved, nullptr, nullptr, &size), ERROR_INVALID_PARAMETER);
  RegCloseKey(key);

  HKEY missing = reinterpret_cast<HKEY>(0x1);
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "K\\Nope", &missing), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, nullptr);
}

TEST(RegistryChanges, CreateReportsDispositionDeleteReportsMissing) {
  TempHive hive;
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "A\\B\\C", 0, "", 0, KEY_ALL_ACCESS, nullptr, &key,
                            &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "a\\b\\c", 0, "", 0, KEY_ALL_ACCESS, nullptr, &key,
                            &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  ASSERT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "V"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "v"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);

  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Volatile", 0, "", REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_NOT_SUPPORTED);
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "A", 0, "", 0, KEY_READ, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
            ERROR_ACCESS_DENIED);
  RegCloseKey(key);
}

TEST(RegistryChanges, AHiveThatCannotBeMadeIsEmptyAndRefusesChanges) {
  lorvane::registry::ScopedHivePath nowhere("/nonexistent-lorvane/folder/hklm.hive");
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(PutText("SYSTEM", "v", "x"), ERROR_ACCESS_DENIED);
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "", &key), ERROR_SUCCESS);
  EXPECT_TRUE(Subkeys(key).empty());
  RegCloseKey(key);
  EXPECT_FALSE(std::filesystem::exists("/nonexistent-lorvane"));
}

}  // namespace
