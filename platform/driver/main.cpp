// The privileged adapter command. It is run by root from udev and the network
// managers' hooks, and for a user's window through pkexec, with whatever
// descriptors, environment, limits and terminal they leave it.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/driver/caller.h"
#include "platform/driver/command.h"
#include "platform/kernel/system_defaults.h"

int main(int argc, char** argv) {
  // A closed standard descriptor would be taken by the hive's file, and a
  // message meant for stderr written into it.
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1 && ::open("/dev/null", O_RDWR) != fd) return 1;
  }
  ::umask(022);
  // Who asked is all it takes from the environment; the rest (the bus's
  // address, temporary folders, the time zone) is the system's own.
  const lorvane::driver::Caller caller = lorvane::driver::CallerFromEnvironment();
  ::clearenv();
  ::setenv("PATH", "/usr/sbin:/usr/bin:/sbin:/bin", 1);
  lorvane::kernel::LeaveCallersSession();
  // Also on stderr, so that whoever ran it by hand reads why; not for a
  // user's pkexec, whose stderr could be a pipe nobody reads.
  ::openlog("lorvane-adapter", LOG_PID | (caller.pkexecUser ? 0 : LOG_PERROR), LOG_DAEMON);
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return lorvane::driver::RunAdapterCommand(args, {}, caller);
}
