// Running other programs from tests: always a fixed argument list, never a
// shell, always bounded in time.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace lorvane::test {

struct CommandResult {
  int exitCode = -1;  // -1 when killed by a signal or timed out
  bool timedOut = false;
  std::string output;  // stdout and stderr together
};

// Runs argv[0] (looked up in PATH) to its end, feeding it `input` on stdin.
// A command still running after `timeout` is killed.
CommandResult RunCommand(const std::vector<std::string>& argv,
                         std::chrono::milliseconds timeout = std::chrono::seconds(30),
                         const std::string& input = {});

// "PATH is not installed" for the first of these programs that is missing,
// or empty.
std::string MissingProgram(const std::vector<std::string>& paths);

// A long-running child (a server for a test, say). It is stopped when the
// object goes: SIGTERM, then SIGKILL if it lingers.
class ChildProcess {
 public:
  // Starts argv; stdout and stderr go to logPath (appended), or nowhere.
  explicit ChildProcess(const std::vector<std::string>& argv, const std::string& logPath = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  // Waits for the child to end by itself; its exit code, or -1 on a signal
  // or when it is still running after `timeout` (it is then left running).
  int Wait(std::chrono::milliseconds timeout);
  // Ends the child; its exit code as Wait gives it.
  int Stop(std::chrono::milliseconds grace = std::chrono::seconds(2));

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

}  // namespace lorvane::test
