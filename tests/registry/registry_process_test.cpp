// The hive as several processes meet it: two writers at once,
// a user who may not write, a damaged file, and a writer killed mid-write.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

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

std::string RunHelper(const std::vector<std::string>& args,
                      const std::string& program = LORVANE_HIVE_HELPER) {
  return Finish(Start(args, program));
}

TEST(HiveProcesses, TwoWritersAtOnceBothSucceed) {
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
}

TEST(HiveProcesses, AUserWhoMayNotWriteReadsButChangesNothing) {
  TempHive hive;
  ASSERT_EQ(PutText("SYSTEM\\Adapter", "NetworkAddress", "001122334455"), ERROR_SUCCESS);
  hive.Detach();
  // Root runs a copy of the helper as nobody (a copy: the build folder may be
  // closed to nobody); anyone else loses write permission on the hive.
  const std::string program = hive.dir() + "/helper";
  std::filesystem::copy_file(LORVANE_HIVE_HELPER, program);
  const std::string who = geteuid() == 0 ? "--nobody" : "--self";
  chmod(hive.dir().c_str(), geteuid() == 0 ? 0755 : 0555);
  if (geteuid() != 0) chmod(hive.path().c_str(), 0444);
  const std::string before = hive.Bytes();
  auto as = [&](std::vector<std::string> command) {
    command.insert(command.begin(), {who, hive.path()});
    return RunHelper(command, program);
  };
  const std::string denied = std::to_string(ERROR_ACCESS_DENIED);
  EXPECT_EQ(as({"get", "system\\adapter", "networkaddress"}), "001122334455");
  EXPECT_EQ(as({"set", "SYSTEM\\Adapter", "NetworkAddress", "66"}), denied);
  EXPECT_EQ(as({"set", "SYSTEM\\NewKey", "v", "x"}), denied);
  EXPECT_EQ(as({"del", "SYSTEM\\Adapter", "NetworkAddress"}), denied);
  EXPECT_EQ(as({"register", "-"}), denied);
  EXPECT_EQ(hive.Bytes(), before);

  chmod(hive.dir().c_str(), 0700);
  chmod(hive.path().c_str(), 0644);
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
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    TempHive hive;
    for (int i = 0; i < 200; ++i) {
      ASSERT_EQ(PutText("SYSTEM\\Key" + std::to_string(i), "NetworkAddress", std::string(40, 'x')),
                ERROR_SUCCESS);
    }
    hive.Detach();
    std::string bytes = hive.Bytes();
    ASSERT_GT(bytes.size(), 8192u);
    damage.apply(bytes);
    std::ofstream(hive.path(), std::ios::binary | std::ios::trunc) << bytes;
    hive.Attach();

    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\Key1", &key), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(PutText("SYSTEM\\Key1", "NetworkAddress", "new"), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(
        RegSetValueExA(HKEY_LOCAL_MACHINE, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
        ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(hive.Bytes(), bytes);
  }
}

TEST(HiveProcesses, AWriterKilledMidWriteLeavesTheOldOrTheNewValue) {
  TempHive hive;
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
