// The program's registry code: finding an adapter's subkey, and reading,
// writing and deleting its text.
#include "adapter_reg_key.h"
#include "reg_string.h"

#include <gtest/gtest.h>
#include <cstring>

#include "registry/temp_hive.h"

namespace {

class AdapterRegKeyTest : public ::testing::Test {
 protected:
  void Subkey(const std::string& name, const char* instanceId, const char* address = nullptr) {
    const std::string path = kClassKey + name;
    ASSERT_EQ(PutText(path, "DriverDesc", "Test adapter"), ERROR_SUCCESS);
    if (instanceId != nullptr) {
      ASSERT_EQ(PutText(path, "NetCfgInstanceId", instanceId), ERROR_SUCCESS);
    }
    if (address != nullptr) {
      ASSERT_EQ(PutText(path, "NetworkAddress", address), ERROR_SUCCESS);
    }
  }
  // A Find that fails must leave the record exactly as it was.
  void ExpectNotFoundAndUntouched(const char* adapterName, std::uint64_t keysOpened) {
    std::memset(key.m_szDisplayName, '?', sizeof key.m_szDisplayName);
    std::memset(key.m_szInstanceId, '?', sizeof key.m_szInstanceId);
    key.m_nSubkey = -7;
    KeyCounts counts;
    EXPECT_EQ(key.Find("name", adapterName), 1);
    EXPECT_EQ(counts.opened(), keysOpened);
    EXPECT_EQ(counts.closed(), keysOpened);
    EXPECT_EQ(std::string(key.m_szDisplayName, 128) + std::string(key.m_szInstanceId, 256),
              std::string(384, '?'));
    EXPECT_EQ(key.m_nSubkey, -7);
  }

  TempHive hive;
  CAdapterRegKey key;
};

// Reading, writing and resetting the value, and which subkey they reach, are
// the change-MAC tests'; here, which subkey is found and what stays open.
// Only a subkey that "%04d" of its number names can be reached again by the
// value operations; any other, an over-long name included, is passed over,
// as are missing or over-long ids. The first of two equal ones wins.
TEST_F(AdapterRegKeyTest, FindsTheFirstNumberedSubkeyNamingTheAdapterAndLeavesNoKeyOpen) {
  ExpectNotFoundAndUntouched("eth0", 0);  // no class key: nothing to open
  Subkey("0000" + std::string(251, 'x'), "eth0");
  Subkey("0001", nullptr);
  Subkey("00012", "eth0");
  Subkey("0002", std::string(256, 'i').c_str());  // does not fit the 256-byte buffer
  Subkey("0012", "other");
  Subkey("0020", "eth0", "333333333333");
  Subkey("0021", "eth0");
  Subkey("12", "eth0");
  Subkey("12345", "wide");
  Subkey("Properties", "odd");
  const std::string longName(131, 'n');
  KeyCounts find;
  ASSERT_EQ(key.Find(longName.c_str(), "eth0"), 0);
  EXPECT_EQ(find.opened(), 5u);  // the class key, then each numbered subkey afresh by its path
  EXPECT_EQ(find.closed(), 5u);
  EXPECT_EQ(key.m_nSubkey, 20);
  EXPECT_STREQ(key.m_szInstanceId, "eth0");
  EXPECT_EQ(std::string(key.m_szDisplayName), longName.substr(0, 127));

  char buffer[256];
  KeyCounts read;
  key.ReadNetworkAddress(buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "333333333333");
  EXPECT_EQ(read.opened(), 1u);
  EXPECT_EQ(read.closed(), 1u);

  ExpectNotFoundAndUntouched(std::string(256, 'i').c_str(), 7);
  ASSERT_EQ(key.Find("x", "wide"), 0);
  EXPECT_EQ(key.WriteNetworkAddress("W"), 0);
  EXPECT_EQ(GetValue(kClassKey + "12345", "NetworkAddress"), Sz("W"));
  EXPECT_EQ(key.Find("x", "odd"), 1);
}

class RegStringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(PutText("SYSTEM\\Key", "AtoZ", "00AA11BB22CC"), ERROR_SUCCESS);
    ASSERT_EQ(PutText("SYSTEM\\Key", "Long", std::string(256, 'x')), ERROR_SUCCESS);
    ASSERT_EQ(PutValue("SYSTEM\\Key", "Dword", REG_DWORD, std::string("AB\0\0", 4)), ERROR_SUCCESS);
    ASSERT_EQ(PutValue("SYSTEM\\Key", "Bare", REG_SZ, "abc"), ERROR_SUCCESS);
  }
  // The result, checking that a failure left the buffer empty and that one
  // key was opened and closed, or none when the path is missing.
  LONG Read(const char* path, const char* name, DWORD size, bool keyExists = true) {
    std::memset(buffer, '#', sizeof buffer);
    KeyCounts counts;
    const LONG result = RegReadString(HKEY_LOCAL_MACHINE, path, name, buffer, size);
    if (result != 0) {
      EXPECT_STREQ(buffer, "");
    }
    EXPECT_EQ(counts.opened(), keyExists ? 1u : 0u);
    EXPECT_EQ(counts.closed(), keyExists ? 1u : 0u);
    return result;
  }
  TempHive hive;
  char buffer[260];
};

TEST_F(RegStringTest, ReadsTextThatFitsWithItsNulWritesAndDeletesLeavingNoKeyOpen) {
  EXPECT_EQ(Read("system\\key", "atoz", 256), 0);  // names match in any case, A to Z
  EXPECT_STREQ(buffer, "00AA11BB22CC");
  EXPECT_NE(Read("SYSTEM\\Nope", "AtoZ", 256, false), 0);
  EXPECT_NE(Read("SYSTEM\\Key", "Missing", 256), 0);
  EXPECT_EQ(Read("SYSTEM\\Key", "Long", 256), ERROR_MORE_DATA);  // 257 bytes with its NUL
  EXPECT_EQ(buffer[256], '#');
  EXPECT_EQ(Read("SYSTEM\\Key", "Long", 257), 0);
  EXPECT_EQ(std::strlen(buffer), 256u);
  buffer[0] = '#';  // a buffer of no bytes has no room even for the empty string
  EXPECT_NE(RegReadString(HKEY_LOCAL_MACHINE, "SYSTEM\\Key", "AtoZ", buffer, 0), 0);
  EXPECT_EQ(buffer[0], '#');
  // Other types are refused; bare text is terminated when there is room.
  EXPECT_EQ(Read("SYSTEM\\Key", "Dword", 256), ERROR_INVALID_DATA);
  EXPECT_EQ(Read("SYSTEM\\Key", "Bare", 4), 0);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(Read("SYSTEM\\Key", "Bare", 3), ERROR_MORE_DATA);
  EXPECT_EQ(buffer[3], '#');  // nothing past the given size was touched

  // What the dialog stores and deletes is the change-MAC tests'; here, that
  // no key stays open and that a delete reaches only its own value.
  KeyCounts counts;
  EXPECT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, "SYSTEM\\New\\Deeper", "NetworkAddress", ""), 0);
  EXPECT_EQ(counts.opened(), 1u);
  EXPECT_EQ(counts.closed(), 1u);
  EXPECT_EQ(GetValue("SYSTEM\\New\\Deeper", "NetworkAddress"), std::string(1, '\0'));
  // A key's name holds at most 255 characters.
  for (const std::size_t length : {255u, 256u}) {
    const std::string path = "SYSTEM\\" + std::string(length, 'k');
    EXPECT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, path.c_str(), "v", ""),
              length == 255 ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER);
  }

  KeyCounts missingValue;
  EXPECT_NE(RegDeleteString(HKEY_LOCAL_MACHINE, "SYSTEM\\Key", "Missing"), 0);
  EXPECT_EQ(missingValue.opened(), 1u);
  EXPECT_EQ(missingValue.closed(), 1u);
  EXPECT_EQ(RegDeleteString(HKEY_LOCAL_MACHINE, "SYSTEM\\Key", "atoz"), 0);
  EXPECT_EQ(GetValue("SYSTEM\\Key", "AtoZ"), "<error 2>");
  EXPECT_EQ(GetValue("SYSTEM\\Key", "Bare"), "abc");
}

}  // namespace
