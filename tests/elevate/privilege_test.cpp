// The privilege split over a temporary hive: the adapter command as pkexec
// starts it for the window, what it does and refuses, with the exit status
// that tells the window which error it met; and the window's side, which
// changes and lease calls go to the helper, with which arguments, and what
// its answer becomes. A shell script stands in for pkexec and the helper,
// recording what it was asked.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/driver/command.h"
#include "platform/driver/helper_status.h"
#include "platform/elevate/elevate.h"
#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/scripted_provider.h"
#include "registry/temp_hive.h"

namespace {

using lorvane::driver::Caller;
using lorvane::driver::ExitStatusFor;
using lorvane::elevate::ChangeArguments;
using lorvane::elevate::Helper;
using lorvane::elevate::RunHelper;
using lorvane::iphlp::ScriptedAdapter;
using lorvane::iphlp::ScriptedProvider;

// The program writes only text it ended with one NUL, to its driver key;
// whatever else reaches the helper is checked with it below.
TEST(ChangeArguments, NoOtherKeyAndNoLongerAddressIsAskedFor) {
  const std::string most(std::string(64, 'a') + '\0'), longer(std::string(65, 'a') + '\0');
  EXPECT_EQ(ChangeArguments(kClassKey + "0003", "NetworkAddress", REG_SZ, &most),
            (std::vector<std::string>{"address", "set-value", "0003", "NetworkAddress",
                                      most.substr(0, 64)}));
  EXPECT_TRUE(ChangeArguments(kClassKey + "0003", "NetworkAddress", REG_SZ, &longer).empty());
  EXPECT_TRUE(ChangeArguments(kClassKey + "00030", "NetworkAddress", REG_SZ, &most).empty());
  EXPECT_TRUE(ChangeArguments(kClassKey + "0003", "NetworkAddress", REG_MULTI_SZ, &most).empty());
}

// pkexec's own statuses, and each error the helper reports by its exit status.
TEST(RunHelper, PolkitsRefusalAndTheHelpersErrorsBecomeWin32Errors) {
  const Helper shell{"/bin/sh", "-c", std::chrono::seconds(5)};
  for (DWORD error : lorvane::driver::kReportedErrors)
    EXPECT_EQ(RunHelper(shell, {"exit " + std::to_string(ExitStatusFor(error))}), error);
  EXPECT_EQ(RunHelper(shell, {"exit " + std::to_string(ExitStatusFor(ERROR_BUSY))}),
            ERROR_GEN_FAILURE);
  EXPECT_EQ(RunHelper(shell, {"exit 126"}), ERROR_ACCESS_DENIED);  // dismissed or refused
  EXPECT_EQ(RunHelper(shell, {"exit 127"}), ERROR_ACCESS_DENIED);  // no agent to ask
  EXPECT_EQ(RunHelper(shell, {"exit 2"}), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RunHelper({"/nonexistent/pkexec", "-c"}, {"exit 0"}), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RunHelper({"/bin/sh", "-c", std::chrono::milliseconds(200)}, {"sleep 5"}),
            ERROR_TIMEOUT);
}

class Privilege : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(PutText(kClassKey + "0000", "NetCfgInstanceId", "eth0"), ERROR_SUCCESS);
    ASSERT_EQ(PutText(kClassKey + "0001", "DriverDesc", "not an adapter's key"), ERROR_SUCCESS);
    ASSERT_EQ(PutText(kClassKey + "0003", "NetCfgInstanceId", "eth9"), ERROR_SUCCESS);
    auto notLease = ScriptedAdapter(9, "ppp0");
    notLease.canHoldLease = false;
    adapters->SetAdapters({ScriptedAdapter(4, "eth0"), notLease});
    lorvane::iphlp::SetProvider(adapters);
    std::ofstream(script) << "echo \"$*\" >> " << calls << "\n";
  }
  void TearDown() override {
    lorvane::registry::SetPrivilegedChange(nullptr);
    lorvane::iphlp::SetLeaseRoute(nullptr);
    lorvane::iphlp::SetProvider(nullptr);
  }

  // The adapter command in this process, as the helper; by default as
  // pkexec starts it for a user's window.
  int Run(std::vector<std::string> args, const Caller& caller = {"1000", {}}) {
    lorvane::driver::DriverOptions options;
    options.log = [this](int, const std::string& line) { log.push_back(line); };
    return lorvane::driver::RunAdapterCommand(args, options, caller);
  }
  // What the helper was asked, a line each.
  std::string Calls() const {
    std::ifstream in(calls);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static LSTATUS Write(const char* text) {
    return PutText(kClassKey + "0000", "NetworkAddress", text);
  }

  TempHive hive;
  std::string script = hive.dir() + "/helper.sh";
  std::string calls = hive.dir() + "/calls";
  std::shared_ptr<ScriptedProvider> adapters = std::make_shared<ScriptedProvider>();
  std::vector<std::string> log;
};

TEST_F(Privilege, StoresAndDeletesTheAddressOfAnAdaptersKeyOnly) {
  EXPECT_EQ(Run({"address", "set-value", "0000", "NetworkAddress", "02 00 00 00 00 05"}), 0);
  EXPECT_EQ(log.back(), "eth0: NetworkAddress stored as \"02 00 00 00 00 05\"");
  // so there was one to delete
  EXPECT_EQ(Run({"address", "delete-value", "0000", "NetworkAddress"}), 0);
  EXPECT_EQ(GetValue(kClassKey + "0000", "NetworkAddress"), "<error 2>");
  // The program counts a value already gone as deleted: it must learn that.
  EXPECT_EQ(Run({"address", "delete-value", "0000", "NetworkAddress"}),
            ExitStatusFor(ERROR_FILE_NOT_FOUND));
  // A key without NetCfgInstanceId, a missing one, and one naming an adapter
  // the window could not show are nobody's driver key here.
  for (const char* subkey : {"0001", "0002", "0003"}) {
    EXPECT_EQ(Run({"address", "set-value", subkey, "NetworkAddress", "020000000005"}),
              ExitStatusFor(ERROR_NOT_FOUND));
    EXPECT_EQ(GetValue(kClassKey + subkey, "NetworkAddress"), "<error 2>");
  }
  EXPECT_EQ(log.back(), "key 0003 refused: eth9 is not an adapter here");
}

TEST_F(Privilege, RefusesEveryOtherKeyValueSizeOrArgument) {
  const std::string before = hive.Bytes();
  for (const char* line :
       {"", "address", "address set-value 0000 NetworkAddress",
        "address set-value 0000 NetworkAddress 02 extra", "address set-value 000 NetworkAddress 02",
        "address set-value 00000 NetworkAddress 02", "address set-value ..\\0 NetworkAddress 02",
        "address set-value 0000\\x NetworkAddress 02",
        "address set-value 0000 NetCfgInstanceId eth1", "address set-value 0000 DriverDesc x",
        "address delete-value 0000 NetCfgInstanceId", "address delete-value 0000",
        "lease release -eth0", "lease renew eth0/x", "lease release eth0 eth1", "lease shell eth0",
        "address renew eth0", "lease set-value 0000 NetworkAddress 02",
        "set-value 0000 NetworkAddress 02", "release eth0", "shell eth0",
        // The hooks' modes are root's, never a user's through pkexec.
        "add eth0", "register eth0", "apply eth0", "restart eth0"}) {
    std::vector<std::string> args;
    std::istringstream words(line);
    for (std::string word; words >> word;) args.push_back(word);
    const std::size_t logged = log.size();
    EXPECT_EQ(Run(args), lorvane::driver::kExitRefused) << line;
    EXPECT_EQ(log.size(), logged + 1) << line;  // one line says so
  }
  EXPECT_EQ(log.back(),
            "refused \"restart\" \"eth0\": through pkexec only a lease or a stored "
            "address may be changed (for uid 1000)");
  EXPECT_EQ(Run({"address", "set-value", "0000", "NetworkAddress", std::string(65, 'a')}),
            lorvane::driver::kExitRefused);
  EXPECT_EQ(hive.Bytes(), before);
  EXPECT_TRUE(adapters->LeaseCalls().empty());
  EXPECT_EQ(Run({"address", "set-value", "0000", "NetworkAddress", std::string(64, 'a')}), 0);
  // udev's event gives one link, once.
  EXPECT_EQ(Run({"add", "eth'0", "x"}, {{}, "eth'0"}), lorvane::driver::kExitRefused);
  EXPECT_NE(log.back().find("udev gave"), std::string::npos) << log.back();
}

TEST_F(Privilege, ReleasesAndRenewsOnlyAnAdapterThatCanHoldALease) {
  adapters->OnRenew([](ScriptedProvider&, std::uint32_t) { return DWORD{ERROR_TIMEOUT}; });
  EXPECT_EQ(Run({"lease", "release", "eth0"}), 0);
  EXPECT_EQ(Run({"lease", "renew", "eth0"}), ExitStatusFor(ERROR_TIMEOUT));
  for (const char* name : {"ppp0", "eth7", "lo"})
    EXPECT_EQ(Run({"lease", "release", name}), ExitStatusFor(ERROR_DEV_NOT_EXIST)) << name;
  using Op = ScriptedProvider::LeaseOp;
  EXPECT_EQ(adapters->LeaseCalls(),
            (std::vector<ScriptedProvider::LeaseCall>{{Op::kRelease, 4}, {Op::kRenew, 4}}));
}

// Root's window acts itself; any other user's asks the helper, without
// pkexec or polkit being there to tell: changes it may not make and the
// lease calls, by the adapter's name, each getting the helper's answer.
TEST_F(Privilege, OnlyAWindowThatIsNotRootGoesThroughTheHelper) {
  IP_ADAPTER_INDEX_MAP map{4, {}};
  lorvane::elevate::RouteThroughHelper({"/bin/sh", script}, 0);
  EXPECT_EQ(IpRenewAddress(&map), NO_ERROR);
  EXPECT_EQ(Write("020000000005"), ERROR_SUCCESS);
  EXPECT_TRUE(Calls().empty());
  EXPECT_EQ(adapters->LeaseCalls().size(), 1u);

  lorvane::elevate::RouteThroughHelper({"/bin/sh", script}, 1000);
  EXPECT_EQ(Write("020000000006"), ERROR_SUCCESS);  // a hive it may write: itself
  hive.MakeReader();  // as a user who is not root
  const std::string before = hive.Bytes();
  EXPECT_EQ(Write("020000000007"), ERROR_SUCCESS);
  EXPECT_EQ(DeleteValue(kClassKey + "0000", "NetworkAddress"), ERROR_SUCCESS);
  // Nothing the helper would refuse is asked for; a missing key is not made.
  EXPECT_EQ(PutText(kClassKey + "0000", "DriverDesc", "x"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(PutText(kClassKey + "0009", "NetworkAddress", "x"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(IpReleaseAddress(&map), NO_ERROR);
  EXPECT_EQ(IpRenewAddress(&map), NO_ERROR);
  EXPECT_EQ(Calls(),
            "address set-value 0000 NetworkAddress 020000000007\n"
            "address delete-value 0000 NetworkAddress\nlease release eth0\nlease renew eth0\n");
  EXPECT_EQ(hive.Bytes(), before);
  EXPECT_EQ(adapters->LeaseCalls().size(), 1u);

  // A key the helper finds missing or naming no adapter: as if not there.
  std::ofstream(script) << "exit 12\n";
  EXPECT_EQ(DeleteValue(kClassKey + "0000", "NetworkAddress"), ERROR_FILE_NOT_FOUND);
  std::ofstream(script) << "exit 15\n";
  EXPECT_EQ(IpRenewAddress(&map), ERROR_TIMEOUT);
  map.Index = 5;
  EXPECT_EQ(IpReleaseAddress(&map), ERROR_NOT_FOUND);
}

}  // namespace
