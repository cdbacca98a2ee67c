// The hive as several processes meet it: two writers at once,
// a user who may not write, a damaged file, and a writer killed mid-write.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/iphlp/scripted_provider.h"
#include "temp_hive.h"

namespace {

// Starts the helper executable with its output on a pipe; through `exec`,
// the process pclose waits for is the helper itself.
FILE* Start(const std::vector<std::string>& args,
            const std::string& program = LORVANE_HIVE_HELPER) {
  std::string command = "exec '" + program + "'";
  for (const std::string& arg : args) command += " '" + arg + "'";
  return popen(command.c_str(), "r");
}

std::string ReadLine(FILE* out) {
  char line[4096] = "";
  if (std::fgets(line, sizeof line, out) == nullptr) return "<none>";
  return std::string(line, std::strcspn(line, "\n"));
}

// The helper's first line once it ended, or how it ended if not with 0.
std::string Finish(FILE* out) {
  const std::string line = ReadLine(out);
  const int status = pclose(out);
  if (!WIFEXITED(status)) return "<signal " + std::to_string(WTERMSIG(status)) + ">";
  return WEXITSTATUS(status) == 0 ? line : "<exit " + std::to_string(WEXITSTATUS(status)) + ">";
}

// Root runs a copy of the helper as nobody (a copy: the build folder may be
// closed to nobody); anyone else closes the live folder to itself.
struct OtherUser {
  explicit OtherUser(TempHive& hive) : hive(hive), program(hive.dir() + "/helper") {
    std::filesystem::copy_file(LORVANE_HIVE_HELPER, program);
    chmod(hive.dir().c_str(), 0755);
    if (geteuid() != 0) hive.MakeReader();
  }
  std::string Run(std::vector<std::string> command) {
    command.insert(command.begin(), {geteuid() == 0 ? "--nobody" : "--self", hive.path()});
    return Finish(Start(command, program));
  }
  TempHive& hive;
  std::string program;
};

// Another user holds a read transaction on every hive file it can open while
// root stores, removes and registers: nothing waits, and the user then sees
// every change, in any case of the names, but may change nothing.
TEST(HiveProcesses, AnotherUserReadsWithoutHoldingRootBackAndChangesNothing) {
  if (geteuid() != 0) GTEST_SKIP() << "another user needs root";
  const std::string key = std::string(lorvane::registry::kNetworkClassKey) + "0000";
  auto adapters = std::make_shared<lorvane::iphlp::ScriptedProvider>();
  adapters->SetAdapters({lorvane::iphlp::ScriptedAdapter(2, "eth0")});
  lorvane::iphlp::SetProvider(adapters);
  TempHive hive;
  ASSERT_EQ(PutText("SYSTEM\\Kept", "v", "before"), ERROR_SUCCESS);
  OtherUser other(hive);
  auto holder = std::make_unique<ReadHolder>(other.program, "--nobody",
                                             std::vector<std::string>{hive.path(), hive.live()});
  EXPECT_EQ(holder->held, 1);  // the copy

  EXPECT_EQ(lorvane::registry::RegisterAdapters(), DWORD{NO_ERROR});
  EXPECT_EQ(PutText(key, "NetworkAddress", "020000000001"), ERROR_SUCCESS);
  EXPECT_EQ(lorvane::registry::SetAdapterText("eth0", "NetworkAddress", "020000000002"),
            DWORD{NO_ERROR});
  EXPECT_EQ(PutText("SYSTEM\\Gone", "v", "x"), ERROR_SUCCESS);
  EXPECT_EQ(DeleteValue("SYSTEM\\Gone", "v"), ERROR_SUCCESS);
  EXPECT_EQ(lorvane::registry::DeleteAdapterValue("eth0", "LorvaneOriginalAddress"),
            DWORD{ERROR_FILE_NOT_FOUND});

  holder.reset();
  lorvane::iphlp::SetProvider(nullptr);
  EXPECT_EQ(other.Run({"get", key, "NetCfgInstanceId"}), "eth0");
  EXPECT_EQ(other.Run({"get", key, "NetworkAddress"}), "020000000002");
  EXPECT_EQ(other.Run({"get", "SYSTEM\\Gone", "v"}), "<error 2>");
  EXPECT_EQ(other.Run({"get", "system\\kept", "V"}), "before");

  const std::string before = hive.Bytes(), denied = std::to_string(ERROR_ACCESS_DENIED);
  EXPECT_EQ(other.Run({"set", key, "NetworkAddress", "66"}), denied);
  EXPECT_EQ(other.Run({"set", "SYSTEM\\NewKey", "v", "x"}), denied);
  EXPECT_EQ(other.Run({"del", key, "NetworkAddress"}), denied);
  EXPECT_EQ(other.Run({"register", "-"}), denied);
  EXPECT_EQ(hive.Bytes(), before);
  // A copy of a third user's is not believed.
  ASSERT_EQ(chown(hive.path().c_str(), 1, 1), 0);
  EXPECT_EQ(other.Run({"get", "SYSTEM\\Kept", "v"}), "<error " + denied + ">");
}

// An earlier version kept the live hive at the path everyone reads. Another
// user reads it there as before; root's first use makes the live hive from
// it, and the copy then shows root's changes.
TEST(HiveProcesses, AHiveAnEarlierVersionKeptIsTakenOver) {
  if (geteuid() != 0) GTEST_SKIP() << "another user needs root";
  TempHive hive;
  ASSERT_EQ(PutText("SYSTEM\\Adapter", "NetworkAddress", "001122334455"), ERROR_SUCCESS);
  ASSERT_EQ(PutText("SYSTEM\\Adapter", "Other", "kept"), ERROR_SUCCESS);
  hive.Detach();
  std::filesystem::copy_file(hive.live(), hive.path(),
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::remove_all(hive.dir() + "/live");
  chmod(hive.path().c_str(), 0644);
  OtherUser other(hive);
  EXPECT_EQ(other.Run({"get", "SYSTEM\\Adapter", "NetworkAddress"}), "001122334455");
  EXPECT_FALSE(std::filesystem::exists(hive.dir() + "/live"));

  hive.Attach();
  EXPECT_EQ(PutText("SYSTEM\\Adapter", "NetworkAddress", "020000000001"), ERROR_SUCCESS);
  EXPECT_EQ(GetValue("SYSTEM\\Adapter", "Other"), Sz("kept"));
  EXPECT_TRUE(std::filesystem::exists(hive.live()));
  EXPECT_EQ(other.Run({"get", "SYSTEM\\Adapter", "NetworkAddress"}), "020000000001");
  EXPECT_EQ(other.Run({"get", "SYSTEM\\Adapter", "Other"}), "kept");

  // A writer that died between its commit and its copy: the next writer to
  // open the hive puts the copy right.
  const std::string stale = TempHive::FileBytes(hive.path());
  EXPECT_EQ(PutText("SYSTEM\\Adapter", "NetworkAddress", "020000000002"), ERROR_SUCCESS);
  hive.Detach();
  std::ofstream(hive.path(), std::ios::binary | std::ios::trunc) << stale;
  EXPECT_EQ(other.Run({"get", "SYSTEM\\Adapter", "NetworkAddress"}), "020000000001");
  hive.Attach();
  EXPECT_EQ(GetValue("SYSTEM\\Adapter", "NetworkAddress"), Sz("020000000002"));
  EXPECT_EQ(other.Run({"get", "SYSTEM\\Adapter", "NetworkAddress"}), "020000000002");
}

TEST(HiveProcesses, ADamagedHiveFailsCleanlyAndIsNotOverwritten) {
  struct Damage {
    const char* what;
    void (*apply)(std::string& bytes);
  };
  const Damage damages[] = {
      {"truncated to half", [](std::string& b) { b.resize(b.size() / 2); }},
      {"truncated inside its first page", [](std::string& b) { b.resize(100); }},
      {"header overwritten", [](std::string& b) { b.replace(0, 16, "not a hive file!"); }},
      {"pages zeroed", [](std::string& b) { std::fill(b.begin() + 4096, b.end(), '\0'); }},
      // Opens and answers; only a check of every page finds it.
      {"one page zeroed", [](std::string& b) { std::fill(b.end() - 8192, b.end() - 4096, '\0'); }},
      {"another program's file", [](std::string& b) { b.replace(68, 4, 4, '\0'); }},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    TempHive hive;
    for (int i = 0; i < 200; ++i) {
      ASSERT_EQ(PutText("SYSTEM\\Key" + std::to_string(i), "NetworkAddress", std::string(40, 'x')),
                ERROR_SUCCESS);
    }
    hive.Detach();
    std::string bytes = TempHive::FileBytes(hive.live());
    ASSERT_GT(bytes.size(), 8192u);
    damage.apply(bytes);
    std::ofstream(hive.live(), std::ios::binary | std::ios::trunc) << bytes;
    const std::string before = hive.Bytes();
    hive.Attach();

    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Key1", &key), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(PutText("SYSTEM\\Key1", "NetworkAddress", "new"), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(
        RegSetValueExA(HKEY_LOCAL_MACHINE, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
        ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(hive.Bytes(), before);

    // The same damage in the copy, for its readers.
    std::ofstream(hive.path(), std::ios::binary | std::ios::trunc) << bytes;
    hive.MakeReader();
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Key1", &key), ERROR_REGISTRY_CORRUPT);
  }
}

// Two writers at once both succeed; a writer killed mid-write leaves the old
// or the new value.
TEST(HiveProcesses, TwoWritersAtOnceSucceedAndOneKilledMidWriteLeavesTheOldOrTheNewValue) {
  TempHive hive;
  FILE* first = Start({hive.path(), "fill", "Software\\Both", "a", "150"});
  FILE* second = Start({hive.path(), "fill", "Software\\Both", "b", "150"});
  EXPECT_EQ(Finish(first), "0");
  EXPECT_EQ(Finish(second), "0");
  for (int i = 0; i < 150; ++i) {
    for (const char* prefix : {"a", "b"}) {
      EXPECT_EQ(GetValue("Software\\Both\\" + (prefix + std::to_string(i)), "Value"),
                Sz(std::to_string(i)));
    }
  }

  const std::size_t size = 256 * 1024;  // many pages: a torn write would show
  ASSERT_EQ(PutText("SYSTEM\\Churn", "Value", "start"), ERROR_SUCCESS);
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    FILE* writer = Start({hive.path(), "churn", "SYSTEM\\Churn", "Value", std::to_string(size)});
    const std::string ready = ReadLine(writer);  // "ready PID"
    ASSERT_EQ(ready.rfind("ready ", 0), 0u) << ready;
    std::this_thread::sleep_for(std::chrono::milliseconds(7 + 13 * round));
    kill(std::stoi(ready.substr(6)), SIGKILL);
    EXPECT_EQ(Finish(writer), "<signal " + std::to_string(SIGKILL) + ">");

    const std::string value = GetValue("SYSTEM\\Churn", "Value");
    EXPECT_TRUE(value == Sz(std::string(size, 'A')) || value == Sz(std::string(size, 'B')));
  }
}

}  // namespace
