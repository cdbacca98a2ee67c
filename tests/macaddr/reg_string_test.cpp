#include "reg_string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "registry/temp_hive.h"

namespace {

class RegStringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(buffer, '#', sizeof buffer);
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

TEST_F(RegStringTest, ReadsTextThatFitsWithItsNulAndFailsOtherwise) {
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
}

// What the dialog stores and deletes is the change-MAC tests'; here, that
// no key stays open and that a delete reaches only its own value.
TEST_F(RegStringTest, WriteAndDeleteLeaveNoKeyOpen) {
  KeyCounts counts;
  EXPECT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, "SYSTEM\\New\\Deeper", "NetworkAddress", ""), 0);
  EXPECT_EQ(counts.opened(), 1u);
  EXPECT_EQ(counts.closed(), 1u);
  EXPECT_EQ(GetValue("SYSTEM\\New\\Deeper", "NetworkAddress"), std::string(1, '\0'));

  KeyCounts missingValue;
  EXPECT_NE(RegDeleteString(HKEY_LOCAL_MACHINE, "SYSTEM\\Key", "Missing"), 0);
  EXPECT_EQ(missingValue.opened(), 1u);
  EXPECT_EQ(missingValue.closed(), 1u);
  EXPECT_EQ(RegDeleteString(HKEY_LOCAL_MACHINE, "SYSTEM\\Key", "atoz"), 0);
  EXPECT_EQ(GetValue("SYSTEM\\Key", "AtoZ"), "<error 2>");
  EXPECT_EQ(GetValue("SYSTEM\\Key", "Bare"), "abc");
}

}  // namespace
