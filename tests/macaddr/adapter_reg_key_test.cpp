#include "adapter_reg_key.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "registry/temp_hive.h"

namespace {

const std::string kClass =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}";

class AdapterRegKeyTest : public ::testing::Test {
 protected:
  void Subkey(const std::string& name, const char* instanceId, const char* address = nullptr) {
    const std::string path = kClass + "\\" + name;
    ASSERT_EQ(PutText(path, "DriverDesc", "Test adapter"), ERROR_SUCCESS);
    if (instanceId != nullptr) {
      ASSERT_EQ(PutText(path, "NetCfgInstanceId", instanceId), ERROR_SUCCESS);
    }
    if (address != nullptr) {
      ASSERT_EQ(PutText(path, "NetworkAddress", address), ERROR_SUCCESS);
    }
  }
  std::string Address(const std::string& name) {
    return GetValue(kClass + "\\" + name, "NetworkAddress");
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
  EXPECT_EQ(Address("12345"), Sz("W"));
  EXPECT_EQ(key.Find("x", "odd"), 1);
}

}  // namespace
