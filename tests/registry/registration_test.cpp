#include <gtest/gtest.h>
#include <sqlite3.h>

#include "platform/iphlp/scripted_provider.h"
#include "temp_hive.h"

namespace {

using lorvane::registry::RegisterAdapters;

// Each subkey of the class key with the NetCfgInstanceId it holds, or
// "<no key>".
std::string Subkeys() {
  std::string names;
  HKEY key = nullptr;
  char name[256];
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kClassKey.c_str(), &key) != ERROR_SUCCESS) return "<no key>";
  for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
    const std::string id = GetValue(kClassKey + name, "NetCfgInstanceId");
    const bool text = id[0] == '<' || id == Sz(id.c_str());  // an error, or text with its NUL
    // Appends one by one: one expression makes GCC 12 warn falsely.
    names.append(name).append("=").append(id.c_str()).append(text ? " " : "(no NUL) ");
  }
  RegCloseKey(key);
  return names;
}

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    provider->SetAdapters({lorvane::iphlp::ScriptedAdapter(2, "eth0"),
                           lorvane::iphlp::ScriptedAdapter(3, "eth1"),
                           lorvane::iphlp::ScriptedAdapter(4, "eth2")});
    lorvane::iphlp::SetProvider(provider);
  }
  void TearDown() override { lorvane::iphlp::SetProvider(nullptr); }
  std::shared_ptr<lorvane::iphlp::ScriptedProvider> provider =
      std::make_shared<lorvane::iphlp::ScriptedProvider>();
  TempHive hive;
};

TEST_F(RegistrationTest, AddsOnlyWhatIsMissingAndRemovesNothing) {
  ASSERT_EQ(PutText(kClassKey + "0000", "NetCfgInstanceId", "eth0"), ERROR_SUCCESS);
  ASSERT_EQ(PutText(kClassKey + "0000", "NetworkAddress", "020000000001"), ERROR_SUCCESS);
  ASSERT_EQ(PutText(kClassKey + "0002", "DriverDesc", "no id here"), ERROR_SUCCESS);
  ASSERT_EQ(PutText(kClassKey + "0003", "NetCfgInstanceId", "gone0"), ERROR_SUCCESS);
  // Not reachable by number:
  ASSERT_EQ(PutText(kClassKey + "12", "NetCfgInstanceId", "eth2"), ERROR_SUCCESS);
  ASSERT_EQ(PutText(kClassKey + "00001", "NetCfgInstanceId", "eth1"), ERROR_SUCCESS);

  ASSERT_EQ(RegisterAdapters(), DWORD{NO_ERROR});
  EXPECT_EQ(Subkeys(),
            "0000=eth0 00001=eth1 0001=eth1 0002=<error 2> 0003=gone0 0004=eth2 12=eth2 ");
  // Opened to read only: it walks the subkeys but makes none.
  HKEY classKey = nullptr, made = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kClassKey.c_str(), 0, "", 0, KEY_READ, nullptr,
                            &classKey, nullptr),
            ERROR_SUCCESS);
  char name[5] = "????";
  EXPECT_EQ(RegEnumKeyA(classKey, 0, name, 4), ERROR_MORE_DATA);  // no room for the NUL
  EXPECT_EQ(RegEnumKeyA(classKey, 0, name, 5), ERROR_SUCCESS);
  EXPECT_EQ(RegCreateKeyExA(classKey, "0005", 0, "", 0, KEY_READ, nullptr, &made, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetValue(kClassKey + "0000", "DriverDesc"), Sz("Scripted Adapter eth0"));
  EXPECT_EQ(GetValue(kClassKey + "0000", "NetworkAddress"), Sz("020000000001"));

  ASSERT_EQ(PutText(kClassKey + "0001", "DriverDesc", "Renamed by hand"), ERROR_SUCCESS);
  hive.Detach();
  const std::string before = hive.Bytes();
  hive.Attach();
  EXPECT_EQ(RegEnumKeyA(classKey, 0, name, 5), ERROR_KEY_DELETED);  // of the hive before
  RegCloseKey(classKey);
  ASSERT_EQ(RegisterAdapters(), DWORD{NO_ERROR});
  hive.Detach();
  EXPECT_EQ(hive.Bytes(), before);  // a second run changes nothing, descriptions included

  // Nor does it need the write lock: a start-up must not wait behind the
  // adapter command writing.
  hive.Attach();
  ASSERT_EQ(DeleteValue(kClassKey + "0004", "DriverDesc"), ERROR_SUCCESS);
  ASSERT_EQ(RegisterAdapters(), DWORD{NO_ERROR});  // a description alone is new
  EXPECT_EQ(GetValue(kClassKey + "0004", "DriverDesc"), Sz("Scripted Adapter eth2"));
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(hive.live().c_str(), &writer), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_EQ(RegisterAdapters(), DWORD{NO_ERROR});
  // A hive busy as it is opened is tried again at the next call.
  ASSERT_EQ(sqlite3_exec(writer, "COMMIT; BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  hive.Attach();
  EXPECT_EQ(RegisterAdapters(), DWORD{ERROR_TIMEOUT});  // after the hive's busy timeout
  sqlite3_close(writer);
  EXPECT_EQ(RegisterAdapters(), DWORD{NO_ERROR});
}

// Links come and go (a veth per container start); what the platform made for
// one that is gone goes with it, unless someone put something there.
TEST_F(RegistrationTest, RemovesOnlyItsOwnLeftoversOfGoneLinksInThisNamespace) {
  char here[64] = {};
  ASSERT_GT(readlink("/proc/thread-self/ns/net", here, sizeof here - 1), 0);
  const auto leftover = [&](const std::string& subkey, const std::string& name,
                            const std::string& where) {
    ASSERT_EQ(PutText(kClassKey + subkey, "NetCfgInstanceId", name), ERROR_SUCCESS);
    ASSERT_EQ(PutText(kClassKey + subkey, "DriverDesc", "Virtual Ethernet Adapter"), ERROR_SUCCESS);
    ASSERT_EQ(PutText(kClassKey + subkey, "LorvaneRegisteredIn", where), ERROR_SUCCESS);
  };
  leftover("0000", "eth0", here);  // still there
  leftover("0001", "veth1", here);
  ASSERT_EQ(PutText(kClassKey + "0001", "LorvaneOriginalAddress", "0200000000AA"), ERROR_SUCCESS);
  leftover("0002", "veth2", here);
  ASSERT_EQ(PutText(kClassKey + "0002", "networkaddress", ""), ERROR_SUCCESS);
  leftover("0003", "veth3", "net:[1]");
  leftover("0004", "veth4", here);
  ASSERT_EQ(PutText(kClassKey + "0004\\Ndi", "Service", "veth"), ERROR_SUCCESS);
  leftover("0005", "veth5", here);
  ASSERT_EQ(PutText(kClassKey + "0005", "Comment", "mine"), ERROR_SUCCESS);
  leftover("0006", "veth6", here);

  std::vector<lorvane::registry::RegistrationChange> changes;
  ASSERT_EQ(RegisterAdapters(&changes), DWORD{NO_ERROR});
  // eth1 and eth2 reuse the numbers of veth1 and veth6.
  EXPECT_EQ(Subkeys(),
            "0000=eth0 0001=eth1 0002=veth2 0003=veth3 0004=veth4 0005=veth5 0006=eth2 ");
  EXPECT_EQ(GetValue(kClassKey + "0001", "LorvaneOriginalAddress"), "<error 2>");
  EXPECT_EQ(GetValue(kClassKey + "0001", "LorvaneRegisteredIn"), Sz(here));
  std::string said;
  for (const auto& change : changes)
    said += (change.added ? "+" : "-") + change.adapter + "@" + change.subkey + " ";
  EXPECT_EQ(said, "-veth1@0001 -veth6@0006 +eth1@0001 +eth2@0006 ");
  // One adapter registered alone: every link there still counts as present.
  ASSERT_EQ(lorvane::registry::RegisterAdapter("eth1", &changes), DWORD{NO_ERROR});
  EXPECT_TRUE(changes.empty());
}

// Without a hive to write or adapters to read nothing is registered. The
// program's window shows before the hive is opened; its first registry call
// finds every adapter there.
TEST_F(RegistrationTest, NeedsAHiveAndAdaptersAndWhenPutOffRegistersOnceAtTheNextCall) {
  {
    // A hive this process may not create reads as empty and is not made.
    lorvane::registry::ScopedHivePath nowhere("/nonexistent-lorvane/folder/hklm.hive");
    EXPECT_EQ(RegisterAdapters(), DWORD{ERROR_ACCESS_DENIED});
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists("/nonexistent-lorvane"));
  }
  EXPECT_EQ(provider->AdapterPolls(), 0);
  provider->FailAdapters(ERROR_NOT_SUPPORTED, 1);
  EXPECT_NE(RegisterAdapters(), DWORD{NO_ERROR});
  EXPECT_EQ(Subkeys(), "<no key>");

  const int failed = provider->AdapterPolls();
  lorvane::registry::RegisterAdaptersBeforeFirstUse();
  EXPECT_EQ(provider->AdapterPolls(), failed);
  EXPECT_EQ(Subkeys(), "0000=eth0 0001=eth1 0002=eth2 ");
  const int polls = provider->AdapterPolls();
  EXPECT_GT(polls, failed);
  EXPECT_EQ(Subkeys(), "0000=eth0 0001=eth1 0002=eth2 ");
  EXPECT_EQ(provider->AdapterPolls(), polls);
}

}  // namespace
