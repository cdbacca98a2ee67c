// The adapter command in process, in the namespace of its veth links: what it
// registers, sets, keeps, restores and refuses, as the kernel and the hive
// then show it.
#include "driver_fixture.h"
#include "platform/driver/command.h"

namespace {

using lorvane::driver::RunAdapterCommand;

class AdapterCommand : public DriverTest {
 protected:
  int Run(const std::vector<std::string>& args) {
    lorvane::driver::DriverOptions options;
    options.log = [this](int, const std::string& line) { lines.push_back(line); };
    options.afterDown = afterDown;
    return ns->RunInside([&] { return RunAdapterCommand(args, options); });
  }
  // The lines logged since the last call.
  std::vector<std::string> Said() { return std::exchange(lines, {}); }

  std::vector<std::string> lines;
  std::function<void()> afterDown;
};

TEST_F(AdapterCommand, RestartSetsTheOverrideAndBringsTheOwnAddressBackWhenItGoes) {
  ASSERT_EQ(Run({"register", "lv0"}), 0);
  EXPECT_EQ(Said(), std::vector<std::string>{"lv0: registered as adapter 0000"});
  ASSERT_EQ(Run({"apply", "lv0"}), 0);  // nothing stored, nothing changed: nothing said
  EXPECT_TRUE(Said().empty());

  ASSERT_EQ(PutText(kClassKey + "0000", "NetworkAddress", "02aaBBccDDee"), ERROR_SUCCESS);
  ASSERT_EQ(Run({"restart", "lv0"}), 0);
  EXPECT_EQ(Mac("lv0"), "02:aa:bb:cc:dd:ee");
  EXPECT_TRUE(Up("lv0"));
  EXPECT_EQ(Said(), std::vector<std::string>{"lv0: hardware address " + own +
                                             " changed to 02:aa:bb:cc:dd:ee (NetworkAddress)"});

  // A second override: the reset below finds the address before the first
  // still kept.
  ASSERT_EQ(PutText(kClassKey + "0000", "NetworkAddress", "02AABBCCDD01"), ERROR_SUCCESS);
  ASSERT_EQ(Run({"restart", "lv0"}), 0);
  EXPECT_EQ(Mac("lv0"), "02:aa:bb:cc:dd:01");
  Said();

  // Reset: a veth has no permanent address, so the kept one comes back.
  ASSERT_EQ(lorvane::registry::DeleteAdapterValue("lv0", "NetworkAddress"), 0u);
  ASSERT_EQ(Run({"restart", "lv0"}), 0);
  EXPECT_EQ(Mac("lv0"), own);
  EXPECT_TRUE(Up("lv0"));
  EXPECT_EQ(GetValue(kClassKey + "0000", "LorvaneOriginalAddress"), "<error 2>");
  EXPECT_EQ(Said(), std::vector<std::string>{"lv0: hardware address 02:aa:bb:cc:dd:01 changed to " +
                                             own + " (the address it had before NetworkAddress)"});
}

TEST_F(AdapterCommand, RefusesValuesNamesAndLinksNoDriverWouldTakeAndLinksThatGo) {
  ASSERT_EQ(Run({"register", "lv0"}), 0);
  Said();
  std::vector<std::pair<DWORD, std::string>> values = {
      {REG_SZ, ""},
      {REG_SZ, "02AABB\nCCDDEE"},
      {REG_SZ, std::string(100000, '0') + "\n\x7f"},
      {REG_BINARY, "\x02\xaa\xbb\xcc\xdd\xee"},
      {REG_DWORD, Sz("02AABBCCDDEE")}};
  for (const char* text :
       {"02AABBCCDDE", "02AABBCCDDEE0", "02:AA:BB:CC:DD:EE", "02-AA-BB-CC-DD-EE", " 2AABBCCDDEE",
        "02AABBCCDDEG", "03AABBCCDDEE", "FFFFFFFFFFFF", "000000000000"})
    values.emplace_back(REG_SZ, Sz(text));
  for (const auto& [type, data] : values) {
    SCOPED_TRACE(data.substr(0, 40));
    ASSERT_EQ(PutValue(kClassKey + "0000", "NetworkAddress", type, data), ERROR_SUCCESS);
    EXPECT_EQ(Run({"restart", "lv0"}), 0);
    EXPECT_EQ(Mac("lv0"), own);
    EXPECT_TRUE(Up("lv0"));
    const auto said = Said();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].rfind("lv0: NetworkAddress \"", 0), 0u) << said[0];
    EXPECT_NE(said[0].find("refused"), std::string::npos) << said[0];
    EXPECT_LT(said[0].size(), 200u);
    EXPECT_EQ(said[0].find_first_of("\n\r\x7f"), std::string::npos);
  }
  EXPECT_EQ(GetValue(kClassKey + "0000", "LorvaneOriginalAddress"), "<error 2>");

  // The validator's own cases are the IP Helper's; a line break would split the log.
  EXPECT_EQ(Run({"restart", "lv0\n"}), 2);
  EXPECT_EQ(Said(), std::vector<std::string>{"interface name \"lv0\\x0a\" refused"});

  // A link the hive does not name is left alone; names compare byte for
  // byte, as the program finds its subkey.
  const std::string peer = Mac("lv1");
  ASSERT_EQ(PutText(kClassKey + "0001", "NetCfgInstanceId", "LV1"), ERROR_SUCCESS);
  ASSERT_EQ(PutText(kClassKey + "0001", "NetworkAddress", "02AABBCCDD11"), ERROR_SUCCESS);
  EXPECT_EQ(Run({"apply", "lv1"}), 0);
  EXPECT_EQ(Run({"restart", "lv1"}), 1);
  EXPECT_EQ(Said(), std::vector<std::string>{"lv1: not restarted: the hive does not name it"});
  EXPECT_EQ(Mac("lv1"), peer);
  EXPECT_TRUE(Up("lv1"));

  // A link that goes mid-restart (and its peer with it) is reported.
  ASSERT_EQ(PutText(kClassKey + "0000", "NetworkAddress", "02AABBCCDDEE"), ERROR_SUCCESS);
  afterDown = [this] { ns->DeleteLink("lv0"); };
  EXPECT_EQ(Run({"restart", "lv0"}), 1);
  EXPECT_EQ(Said(), std::vector<std::string>{"lv0: gone during the restart"});

  // Another link that takes the name meanwhile is not the one restarted.
  afterDown = [this] {
    ns->DeleteLink("lv0");
    ns->AddVethPair("lv0", "lv9");
  };
  ns->AddVethPair("lv0", "lv1");
  ns->SetUp("lv0");
  EXPECT_EQ(Run({"restart", "lv0"}), 1);
  EXPECT_EQ(Said(), std::vector<std::string>{"lv0: gone during the restart"});
  EXPECT_FALSE(Up("lv0"));
  EXPECT_NE(Mac("lv0"), "02:aa:bb:cc:dd:ee");
}

}  // namespace
