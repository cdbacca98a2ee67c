// The hive as several processes meet it: persistence, two writers at once,
// a user who may not write, a damaged file, and a writer killed mid-write.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
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

extern char** environ;

namespace {

struct Helper {
  pid_t pid = -1;
  FILE* out = nullptr;
};

// Starts the helper executable with its output on a pipe.
Helper Start(std::vector<std::string> args, const std::string& program = LORVANE_HIVE_HELPER) {
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int fds[2];
  Helper helper;
  if (pipe(fds) != 0) return helper;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  if (posix_spawn(&helper.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
    helper.pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  helper.out = fdopen(fds[0], "r");
  return helper;
}

std::string ReadLine(Helper& helper) {
  char line[4096] = "";
  if (std::fgets(line, sizeof line, helper.out) == nullptr) return "<none>";
  return std::string(line, std::strcspn(line, "\n"));
}

int Finish(Helper& helper) {
  std::fclose(helper.out);
  int status = 0;
  if (helper.pid <= 0 || waitpid(helper.pid, &status, 0) != helper.pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string RunHelper(const std::vector<std::string>& args,
                      const std::string& program = LORVANE_HIVE_HELPER) {
  Helper helper = Start(args, program);
  const std::string line = ReadLine(helper);
  const int exitCode = Finish(helper);
  return exitCode == 0 ? line : "<exit " + std::to_string(exitCode) + ">";
}

TEST(HiveProcesses, ChangesPersistAcrossProcesses) {
  TempHive hive;
  EXPECT_EQ(RunHelper({hive.path(), "set", "Software\\Lorvane", "Shared", "from helper"}), "0");
  EXPECT_EQ(GetValue("SOFTWARE\\LORVANE", "shared"), Sz("from helper"));
  ASSERT_EQ(PutText("Software\\Lorvane", "Back", "from test"), ERROR_SUCCESS);
  EXPECT_EQ(RunHelper({hive.path(), "get", "software\\lorvane", "back"}), "from test");
  EXPECT_EQ(RunHelper({hive.path(), "del", "Software\\Lorvane", "Back"}), "0");
  EXPECT_EQ(GetValue("Software\\Lorvane", "Back"), "<error 2>");
}

TEST(HiveProcesses, TwoWritersAtOnceBothSucceed) {
  TempHive hive;
  Helper first = Start({hive.path(), "fill", "Software\\Both", "a", "150"});
  Helper second = Start({hive.path(), "fill", "Software\\Both", "b", "150"});
  EXPECT_EQ(ReadLine(first), "0");
  EXPECT_EQ(ReadLine(second), "0");
  EXPECT_EQ(Finish(first), 0);
  EXPECT_EQ(Finish(second), 0);
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
    EXPECT_EQ(RunHelper({hive.path(), "set", "SYSTEM\\Key1", "NetworkAddress", "new"}),
              std::to_string(ERROR_REGISTRY_CORRUPT));
    EXPECT_EQ(hive.Bytes(), bytes);
  }
}

TEST(HiveProcesses, AWriterKilledMidWriteLeavesTheOldOrTheNewValue) {
  TempHive hive;
  const std::size_t size = 256 * 1024;  // many pages: a torn write would show
  ASSERT_EQ(PutText("SYSTEM\\Churn", "Value", "start"), ERROR_SUCCESS);
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    Helper writer = Start({hive.path(), "churn", "SYSTEM\\Churn", "Value", std::to_string(size)});
    ASSERT_EQ(ReadLine(writer), "ready");
    std::this_thread::sleep_for(std::chrono::milliseconds(7 + 13 * round));
    kill(writer.pid, SIGKILL);
    EXPECT_EQ(Finish(writer), 128 + SIGKILL);

    const std::string value = GetValue("SYSTEM\\Churn", "Value");
    EXPECT_TRUE(value == Sz(std::string(size, 'A')) || value == Sz(std::string(size, 'B')));
  }
}

}  // namespace
