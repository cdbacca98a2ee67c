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

Helper Start(std::vector<std::string> args) {
  args.insert(args.begin(), LORVANE_HIVE_HELPER);
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  Helper helper;
  if (posix_spawn(&helper.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) helper.pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  helper.out = fdopen(pipeFds[0], "r");
  return helper;
}

std::string ReadLine(Helper& helper) {
  char line[4096] = "";
  if (helper.out == nullptr || std::fgets(line, sizeof line, helper.out) == nullptr) return "<none>";
  std::string text(line);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

int Finish(Helper& helper) {
  if (helper.out != nullptr) std::fclose(helper.out);
  int status = 0;
  if (helper.pid <= 0 || waitpid(helper.pid, &status, 0) != helper.pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs the helper to its end; its one line of output.
std::string RunHelper(const std::vector<std::string>& args) {
  Helper helper = Start(args);
  std::string line = ReadLine(helper);
  const int exitCode = Finish(helper);
  return exitCode == 0 ? line : "<exit " + std::to_string(exitCode) + ">";
}

TEST(HiveProcesses, ChangesPersistAcrossProcesses) {
  TempHive hive;
  EXPECT_EQ(RunHelper({hive.path(), "set", "Software\\Lorvane", "Shared", "from helper"}), "0");
  EXPECT_EQ(GetValue("SOFTWARE\\LORVANE", "shared"), std::string("from helper", 12));
  ASSERT_EQ(PutText("Software\\Lorvane", "Back", "from test"), ERROR_SUCCESS);
  EXPECT_EQ(RunHelper({hive.path(), "get", "software\\lorvane", "back"}), "from test");
  EXPECT_EQ(RunHelper({hive.path(), "del", "Software\\Lorvane", "Back"}), "0");
  EXPECT_EQ(GetValue("Software\\Lorvane", "Back"), "<error 2>");
}

TEST(HiveProcesses, TwoWritersAtOnceBothSucceed) {
  TempHive hive;
  Helper first = Start({hive.path(), "fill", "Software\\Both", "a", "60"});
  Helper second = Start({hive.path(), "fill", "Software\\Both", "b", "60"});
  EXPECT_EQ(ReadLine(first), "0");
  EXPECT_EQ(ReadLine(second), "0");
  EXPECT_EQ(Finish(first), 0);
  EXPECT_EQ(Finish(second), 0);
  for (int i = 0; i < 60; ++i) {
    EXPECT_EQ(GetValue("Software\\Both", "a" + std::to_string(i)), std::to_string(i) + '\0');
    EXPECT_EQ(GetValue("Software\\Both", "b" + std::to_string(i)), std::to_string(i) + '\0');
  }
}

TEST(HiveProcesses, AUserWhoMayNotWriteReadsButChangesNothing) {
  TempHive hive;
  ASSERT_EQ(PutText("SYSTEM\\Adapter", "NetworkAddress", "001122334455"), ERROR_SUCCESS);
  hive.Detach();
  std::vector<std::string> user{hive.path()};
  if (geteuid() == 0) {
    chmod(hive.dir().c_str(), 0755);  // the hive itself is 0644 and root's
    user.insert(user.begin(), "--nobody");
  } else {
    chmod(hive.path().c_str(), 0444);
    chmod(hive.dir().c_str(), 0555);
  }
  const std::string before = hive.Bytes();
  const std::string denied = std::to_string(ERROR_ACCESS_DENIED);

  auto as = [&](std::vector<std::string> command) {
    std::vector<std::string> args = user;
    args.insert(args.end(), command.begin(), command.end());
    return RunHelper(args);
  };
  EXPECT_EQ(as({"get", "system\\adapter", "networkaddress"}), "001122334455");
  EXPECT_EQ(as({"set", "SYSTEM\\Adapter", "NetworkAddress", "66"}), denied);
  EXPECT_EQ(as({"set", "SYSTEM\\NewKey", "v", "x"}), denied);
  EXPECT_EQ(as({"del", "SYSTEM\\Adapter", "NetworkAddress"}), denied);
  EXPECT_EQ(as({"del", "SYSTEM\\Adapter", "Missing"}), denied);
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
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "", &key), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(RegSetValueExA(HKEY_LOCAL_MACHINE, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
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
    ASSERT_EQ(value.size(), size + 1);
    const bool allA = value.find_first_not_of('A') == size;
    const bool allB = value.find_first_not_of('B') == size;
    EXPECT_TRUE(allA || allB);
    EXPECT_EQ(value.back(), '\0');
  }
}

}  // namespace
