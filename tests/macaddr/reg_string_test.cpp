#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "key_counts.h"
#include "reg_string.h"
#include "registry/temp_hive.h"

namespace {

class RegStringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_EQ(PutText("SYSTEM\\Key", "Short", "00AA11BB22CC"), ERROR_SUCCESS);
    ASSERT_EQ(PutText("SYSTEM\\Key", "Long", std::string(300, 'x')), ERROR_SUCCESS);
  }
  TempHive hive;
  char buffer[256];
};

TEST_F(RegStringTest, ReadFailuresLeaveTheBufferEmptyAndCloseWhatTheyOpened) {
  KeyCounts missingPath;
  EXPECT_NE(RegReadString(HKEY_LOCAL_MACHINE, "SYSTEM\\Nope", "Short", buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(missingPath.opened(), 0u);
  EXPECT_EQ(missingPath.closed(), 0u);

  for (const char* name : {"Missing", "Long"}) {
    SCOPED_TRACE(name);
    std::memset(buffer, '#', sizeof buffer);
    KeyCounts counts;
    EXPECT_NE(RegReadString(HKEY_LOCAL_MACHINE, "SYSTEM\\Key", name, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(counts.opened(), 1u);
    EXPECT_EQ(counts.closed(), 1u);
  }
}

TEST_F(RegStringTest, ReadsTextThatFitsWithItsNul) {
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, "system\\key", "short", buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "00AA11BB22CC");
  ASSERT_EQ(PutText("SYSTEM\\Key", "Edge", std::string(255, 'e')), ERROR_SUCCESS);
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, "SYSTEM\\Key", "Edge", buffer, sizeof buffer), 0);
  EXPECT_EQ(std::strlen(buffer), 255u);
  EXPECT_NE(RegReadString(HKEY_LOCAL_MACHINE, "SYSTEM\\Key", "Edge", buffer, 255), 0);
  EXPECT_STREQ(buffer, "");
}

TEST_F(RegStringTest, OtherTypesAreRefusedAndAMissingNulIsAddedWhenThereIsRoom) {
  ASSERT_EQ(PutValue("SYSTEM\\Key", "Dword", REG_DWORD, std::string("AB\0\0", 4)), ERROR_SUCCESS);
  EXPECT_NE(RegReadString(HKEY_LOCAL_MACHINE, "SYSTEM\\Key", "Dword", buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");

  ASSERT_EQ(PutValue("SYSTEM\\Key", "Bare", REG_SZ, "abc"), ERROR_SUCCESS);
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, "SYSTEM\\Key", "Bare", buffer, 4), 0);
  EXPECT_STREQ(buffer, "abc");
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_NE(RegReadString(HKEY_LOCAL_MACHINE, "SYSTEM\\Key", "Bare", buffer, 3), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(buffer[3], '#');  // nothing past the given size was touched

  ASSERT_EQ(PutValue("SYSTEM\\Key", "Nothing", REG_SZ, ""), ERROR_SUCCESS);
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, "SYSTEM\\Key", "Nothing", buffer, 1), 0);
  EXPECT_STREQ(buffer, "");
}

TEST_F(RegStringTest, WriteCreatesTheKeyStoresTheNulAndReplaces) {
  KeyCounts counts;
  EXPECT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, "SYSTEM\\New\\Deeper", "NetworkAddress", ""), 0);
  EXPECT_EQ(counts.opened(), 1u);
  EXPECT_EQ(counts.closed(), 1u);
  DWORD type = 0;
  EXPECT_EQ(GetValue("SYSTEM\\New\\Deeper", "NetworkAddress", &type), std::string(1, '\0'));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

  EXPECT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, "SYSTEM\\Key", "Short", "0200DEADBEEF"), 0);
  EXPECT_EQ(GetValue("SYSTEM\\Key", "Short"), std::string("0200DEADBEEF", 13));
}

TEST_F(RegStringTest, DeleteFailsForWhatIsNotThere) {
  KeyCounts missingValue;
  EXPECT_NE(RegDeleteString(HKEY_LOCAL_MACHINE, "SYSTEM\\Key", "Missing"), 0);
  EXPECT_EQ(missingValue.opened(), 1u);
  EXPECT_EQ(missingValue.closed(), 1u);

  KeyCounts missingPath;
  EXPECT_NE(RegDeleteString(HKEY_LOCAL_MACHINE, "SYSTEM\\Nope", "Short"), 0);
  EXPECT_EQ(missingPath.opened(), 0u);
  EXPECT_EQ(missingPath.closed(), 0u);

  EXPECT_EQ(RegDeleteString(HKEY_LOCAL_MACHINE, "SYSTEM\\Key", "short"), 0);
  EXPECT_EQ(GetValue("SYSTEM\\Key", "Short"), "<error 2>");
  EXPECT_EQ(GetValue("SYSTEM\\Key", "Long"), std::string(300, 'x') + '\0');
}

}  // namespace
