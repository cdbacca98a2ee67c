// The adapter command as pkexec starts it for the window: what it does for
// the window's acts and everything it refuses, with the exit status that
// tells the window which error it met.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/driver/command.h"
#include "platform/driver/helper_status.h"
#include "platform/iphlp/scripted_provider.h"
#include "registry/temp_hive.h"

namespace {

using lorvane::driver::ExitStatusFor;
using lorvane::iphlp::ScriptedAdapter;
using lorvane::iphlp::ScriptedProvider;

const std::string kClass =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}\\";

class HelperActs : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(PutText(kClass + "0000", "NetCfgInstanceId", "eth0"), ERROR_SUCCESS);
    ASSERT_EQ(PutText(kClass + "0001", "DriverDesc", "not an adapter's key"), ERROR_SUCCESS);
    auto notLease = ScriptedAdapter(9, "ppp0");
    notLease.canHoldLease = false;
    adapters->SetAdapters({ScriptedAdapter(4, "eth0"), notLease});
    lorvane::iphlp::SetProvider(adapters);
  }
  void TearDown() override { lorvane::iphlp::SetProvider(nullptr); }

  int Run(std::vector<std::string> args) {
    lorvane::driver::DriverOptions options;
    options.log = [this](int, const std::string& line) { log.push_back(line); };
    return lorvane::driver::RunAdapterCommand(args, options);
  }

  TempHive hive;
  std::shared_ptr<ScriptedProvider> adapters = std::make_shared<ScriptedProvider>();
  std::vector<std::string> log;
};

TEST_F(HelperActs, StoresAndDeletesTheAddressOfAnAdaptersKeyOnly) {
  EXPECT_EQ(Run({"set-value", "0000", "NetworkAddress", "02 00 00 00 00 05"}), 0);
  EXPECT_EQ(GetValue(kClass + "0000", "NetworkAddress"), Sz("02 00 00 00 00 05"));
  EXPECT_EQ(log.back(), "eth0: NetworkAddress stored as \"02 00 00 00 00 05\"");
  EXPECT_EQ(Run({"delete-value", "0000", "NetworkAddress"}), 0);
  EXPECT_EQ(GetValue(kClass + "0000", "NetworkAddress"), "<error 2>");
  // The program counts a value already gone as deleted: it must learn that.
  EXPECT_EQ(Run({"delete-value", "0000", "NetworkAddress"}), ExitStatusFor(ERROR_FILE_NOT_FOUND));
  // A key without NetCfgInstanceId, and a missing one, are nobody's driver key.
  for (const char* subkey : {"0001", "0002"}) {
    EXPECT_EQ(Run({"set-value", subkey, "NetworkAddress", "020000000005"}),
              ExitStatusFor(ERROR_NOT_FOUND));
    EXPECT_EQ(GetValue(kClass + subkey, "NetworkAddress"), "<error 2>");
  }
}

TEST_F(HelperActs, RefusesEveryOtherKeyValueSizeOrArgument) {
  const std::string before = hive.Bytes();
  const std::vector<std::vector<std::string>> refused = {
      {},
      {"set-value", "0000", "NetworkAddress"},
      {"set-value", "0000", "NetworkAddress", "02", "extra"},
      {"set-value", "000", "NetworkAddress", "02"},
      {"set-value", "00000", "NetworkAddress", "02"},
      {"set-value", "..\\0", "NetworkAddress", "02"},
      {"set-value", "0000\\x", "NetworkAddress", "02"},
      {"set-value", "0000", "NetCfgInstanceId", "eth1"},
      {"set-value", "0000", "DriverDesc", "x"},
      {"set-value", "0000", "NetworkAddress", std::string(65, 'a')},
      {"delete-value", "0000", "NetCfgInstanceId"},
      {"delete-value", "0000"},
      {"release", "-eth0"},
      {"renew", "eth0/x"},
      {"release", "eth0", "eth1"},
      {"shell", "eth0"},
  };
  for (const auto& args : refused) {
    std::string shown;
    for (const auto& arg : args) shown += "[" + arg.substr(0, 20) + "]";
    EXPECT_EQ(Run(args), lorvane::driver::kExitRefused) << shown;
  }
  EXPECT_EQ(hive.Bytes(), before);
  EXPECT_TRUE(adapters->LeaseCalls().empty());
  EXPECT_EQ(Run({"set-value", "0000", "NetworkAddress", std::string(64, 'a')}), 0);
}

TEST_F(HelperActs, ReleasesAndRenewsOnlyAnAdapterThatCanHoldALease) {
  adapters->OnRenew([](ScriptedProvider&, std::uint32_t) { return DWORD{ERROR_TIMEOUT}; });
  EXPECT_EQ(Run({"release", "eth0"}), 0);
  EXPECT_EQ(Run({"renew", "eth0"}), ExitStatusFor(ERROR_TIMEOUT));
  for (const char* name : {"ppp0", "eth7", "lo"})
    EXPECT_EQ(Run({"release", name}), ExitStatusFor(ERROR_DEV_NOT_EXIST)) << name;
  using Op = ScriptedProvider::LeaseOp;
  EXPECT_EQ(adapters->LeaseCalls(),
            (std::vector<ScriptedProvider::LeaseCall>{{Op::kRelease, 4}, {Op::kRenew, 4}}));
}

// Each error the window can tell apart survives the trip, pkexec's own
// statuses included.
TEST(HelperStatus, EveryReportedErrorComesBackAsItself) {
  for (DWORD error : lorvane::driver::kReportedErrors) {
    const int status = ExitStatusFor(error);
    EXPECT_NE(status, 126);
    EXPECT_NE(status, 127);
    EXPECT_LT(status, 126);
    EXPECT_EQ(lorvane::driver::ErrorForExitStatus(status), error);
  }
  EXPECT_EQ(lorvane::driver::ErrorForExitStatus(ExitStatusFor(ERROR_BUSY)), ERROR_GEN_FAILURE);
}

}  // namespace
