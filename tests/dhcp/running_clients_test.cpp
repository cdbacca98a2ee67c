// Which running dhclient root believes, by its user ids: a process any of
// whose real, effective, saved or file-system user is another user's could
// be steered by them (a set-user-id program keeps its starter as real user),
// so only one that is root's through and through counts.
#include "platform/iphlp/dhcp/running_clients.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace {

using lorvane::kernel::FileId;

constexpr uid_t kUser = 65534;

struct Ids {
  uid_t real, effective;
  const char* saved;  // null: the effective one, as exec leaves it
  const char* fsuid;  // null: the effective one
};

// Starts the idle client with these ids; its pid, once it is ready.
pid_t StartAs(const Ids& ids) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(ready[1], 1);
    if (ids.saved) setenv("IDLE_SUID", ids.saved, 1);
    if (ids.fsuid) setenv("IDLE_FSUID", ids.fsuid, 1);
    if (setresuid(ids.real, ids.effective, ids.effective) != 0) _exit(1);
    const char* argv[] = {"dhclient", "-4", "-lf", "/nonexistent/dhclient.leases", "lo", nullptr};
    execv(LORVANE_IDLE_CLIENT, const_cast<char**>(argv));
    _exit(1);
  }
  close(ready[1]);
  char byte = 0;
  const bool started = read(ready[0], &byte, 1) == 1;
  close(ready[0]);
  return started ? pid : -1;
}

bool Believed(pid_t pid) {
  FileId ns, program;
  struct stat st;
  if (!lorvane::kernel::ThisNamespace("/proc", ns) || stat(LORVANE_IDLE_CLIENT, &st) != 0)
    return false;
  program = {st.st_dev, st.st_ino};
  for (const auto& client : lorvane::iphlp::dhcp::FindRunningClients("/proc", ns, program))
    if (client.pid == pid) return true;
  return false;
}

TEST(RunningClients, OnlyAClientThatIsRootsByEveryUserIdIsBelieved) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to start processes with other users' ids";
  const struct {
    Ids ids;
    bool believed;
  } cases[] = {
      {{0, 0, nullptr, nullptr}, true},
      {{kUser, 0, nullptr, nullptr}, false},  // a set-user-id program that a user started
      {{0, kUser, nullptr, nullptr}, false},
      {{0, 0, "65534", nullptr}, false},  // root's until it takes the user's id back
      {{0, 0, nullptr, "65534"}, false},  // root's, but writing files as the user
      {{kUser, kUser, nullptr, nullptr}, false},
  };
  for (const auto& c : cases) {
    const pid_t pid = StartAs(c.ids);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(Believed(pid), c.believed)
        << c.ids.real << " " << c.ids.effective << " " << (c.ids.saved ? c.ids.saved : "-") << " "
        << (c.ids.fsuid ? c.ids.fsuid : "-");
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
}

}  // namespace
