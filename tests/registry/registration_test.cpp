#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/iphlp/scripted_provider.h"
#include "temp_hive.h"

namespace {

using lorvane::iphlp::ScriptedAdapter;
using lorvane::iphlp::ScriptedProvider;
using lorvane::registry::RegisterAdapters;

const std::string kClass =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}";

std::string Text(const std::string& text) { return std::string(text.c_str(), text.size() + 1); }
std::string Id(const std::string& subkey) { return GetValue(kClass + "\\" + subkey, "NetCfgInstanceId"); }
std::string Desc(const std::string& subkey) { return GetValue(kClass + "\\" + subkey, "DriverDesc"); }

std::vector<std::string> ClassSubkeys() {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kClass.c_str(), &key) != ERROR_SUCCESS) return names;
  char name[256];
  for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) names.emplace_back(name);
  RegCloseKey(key);
  return names;
}

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override { lorvane::iphlp::SetProvider(provider); }
  void TearDown() override { lorvane::iphlp::SetProvider(nullptr); }
  void Adapters(const std::vector<std::string>& names) {
    std::vector<lorvane::iphlp::AdapterRecord> records;
    for (std::size_t i = 0; i < names.size(); ++i) records.push_back(ScriptedAdapter(i + 2, names[i]));
    provider->SetAdapters(records);
  }

  std::shared_ptr<ScriptedProvider> provider = std::make_shared<ScriptedProvider>();
  TempHive hive;
};

TEST_F(RegistrationTest, GivesEachAdapterTheNextFreeNumber) {
  Adapters({"eth0", "wlan0"});
  ASSERT_EQ(RegisterAdapters(), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(ClassSubkeys(), (std::vector<std::string>{"0000", "0001"}));
  EXPECT_EQ(Id("0000"), Text("eth0"));
  EXPECT_EQ(Desc("0000"), Text("Scripted Adapter eth0"));
  EXPECT_EQ(Id("0001"), Text("wlan0"));
}

TEST_F(RegistrationTest, AddsOnlyWhatIsMissingAndRemovesNothing) {
  const std::string k0 = kClass + "\\0000";
  ASSERT_EQ(PutText(k0, "NetCfgInstanceId", "eth0"), ERROR_SUCCESS);
  ASSERT_EQ(PutText(k0, "NetworkAddress", "020000000001"), ERROR_SUCCESS);
  ASSERT_EQ(PutText(kClass + "\\0002", "DriverDesc", "no id here"), ERROR_SUCCESS);
  ASSERT_EQ(PutText(kClass + "\\12", "NetCfgInstanceId", "eth2"), ERROR_SUCCESS);  // not reachable
  ASSERT_EQ(PutText(kClass + "\\0003", "NetCfgInstanceId", "gone0"), ERROR_SUCCESS);
  Adapters({"eth0", "eth1", "eth2"});

  ASSERT_EQ(RegisterAdapters(), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(ClassSubkeys(), (std::vector<std::string>{"0000", "0001", "0002", "0003", "0004", "12"}));
  EXPECT_EQ(Desc("0000"), Text("Scripted Adapter eth0"));  // the missing value added
  EXPECT_EQ(GetValue(k0, "NetworkAddress"), Text("020000000001"));
  EXPECT_EQ(Id("0001"), Text("eth1"));
  EXPECT_EQ(Id("0002"), "<error 2>");
  EXPECT_EQ(Id("0003"), Text("gone0"));
  EXPECT_EQ(Id("0004"), Text("eth2"));

  // A described adapter keeps the description it has; a second run adds nothing.
  ASSERT_EQ(PutText(kClass + "\\0001", "DriverDesc", "Renamed by hand"), ERROR_SUCCESS);
  hive.Detach();
  const std::string before = hive.Bytes();
  hive.Attach();
  ASSERT_EQ(RegisterAdapters(), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Desc("0001"), Text("Renamed by hand"));
  hive.Detach();
  EXPECT_EQ(hive.Bytes(), before);
}

TEST_F(RegistrationTest, DoesNothingWhereTheHiveCannotBeWritten) {
  Adapters({"eth0"});
  {
    lorvane::registry::ScopedHivePath nowhere("/nonexistent-lorvane/folder/hklm.hive");
    EXPECT_EQ(RegisterAdapters(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  }
  EXPECT_EQ(provider->AdapterPolls(), 0);

  provider->FailAdapters(ERROR_NOT_SUPPORTED);
  EXPECT_NE(RegisterAdapters(), static_cast<DWORD>(NO_ERROR));
  EXPECT_TRUE(ClassSubkeys().empty());
}

}  // namespace
